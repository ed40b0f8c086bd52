// The launcher window on Qt's offscreen platform: where its controls stand and how the keyboard
// works it, with its logic on the scripted adapter.
#include "launcher/qt/ConfigWindow.h"
#include "tests/support/FrameworkFixture.h"

#include <gmock/gmock.h>

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QTest>

#include <clocale>

using ::testing::ElementsAre;
using namespace Qt::Literals::StringLiterals;
using namespace std::string_literals;

namespace {

void StartQt()
{
    static int argc = 1;
    static char name[] = "launcher_tests";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() != nullptr)
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(argc, argv); // lives as long as the process
    std::setlocale(LC_ALL, "C");  // Qt took the user's locale; the other tests expect C
}

void Press(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }

std::string FocusName() { return QApplication::focusWidget()->objectName().toStdString(); }

using ConfigWindowTest = FrameworkTest;

TEST_F(ConfigWindowTest, TheControlsStandAtTheirPlacesAndTheKeyboardWorksTheLauncher)
{
    StartQt();
    graphics->Modes = {Mode(320, 200, 60, D3DFMT_R5G6B5), Mode(640, 480, 60, D3DFMT_R5G6B5),
                       Mode(640, 480, 60, D3DFMT_X8R8G8B8)};
    // A 10 MB Notes.txt in Windows-1252: its start, readable, and a sign that it goes on.
    const std::string notes = "Caf\xe9 \x93quoted\x94\r\n";
    WriteWholeFile(folder / "Notes.txt", notes + std::string(10 << 20, 'x'));
    ConfigWindow window;
    frmConfig form(window, [](const GameMode&, const std::function<void()>&) {});
    form.Form_Load();
    QWidget& dialog = window.Widget();
    EXPECT_EQ(dialog.size(), QSize(497, 179));
    EXPECT_EQ(dialog.windowTitle(), "Dunmere Demo");
    EXPECT_EQ(std::pair(dialog.font().family(), dialog.font().pointSizeF()), std::pair(u"Verdana"_s, 8.25));
    EXPECT_EQ(dialog.findChild<QGroupBox*>("fraSettings")->title(), "Graphics Settings");
    EXPECT_EQ(dialog.findChild<QAbstractButton*>("chkWindowed")->text(), "Fake Fullscreen");
    EXPECT_EQ(dialog.findChild<QAbstractButton*>("cmdGo")->text(), "Go!");
    const std::pair<const char*, QRect> places[] = {
        {"lblInfo", {8, 72, 305, 97}},  {"fraSettings", {320, 72, 169, 73}}, {"cmbResModes", {8, 16, 153, 21}},
        {"chkWindowed", {8, 40, 153, 25}}, {"cmdGo", {320, 152, 169, 19}}};
    for (const auto& [name, place] : places)
        EXPECT_EQ(dialog.findChild<QWidget*>(name)->geometry(), place) << name;
    QLabel& label = *dialog.findChild<QLabel*>("lblInfo");
    EXPECT_EQ(label.text(), u"Café “quoted”\n"_s + QString(qsizetype(frmConfig::InfoTextLimit - notes.size()), 'x') + "\n...");
    // UTF-8 (a byte-order mark dropped, markup shown as written); bytes that are not UTF-8.
    const std::pair<std::string, QString> texts[] = {
        {"\xef\xbb\xbf<b>Caf\xc3\xa9</b>", u"<b>Café</b>"_s},
        {"\x80\x81\xff \xc3", u"€\uFFFDÿ Ã"_s},
        {"\xff\xfe" "C\0\xe9\0\r\0\n\0"s, u"Cé\n"_s},
    };
    for (const auto& [bytes, shown] : texts) {
        window.SetInfoText(bytes);
        EXPECT_EQ(label.text(), shown);
    }
    EXPECT_EQ(label.textFormat(), Qt::PlainText);

    int goes = 0;
    window.Events.cmdGo_Click = [&] { ++goes; };
    window.Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    Press(Qt::Key_Return);
    EXPECT_EQ(goes, 1);

    std::vector<std::string> order;
    for (int i = 0; i < 3; ++i) {
        Press(Qt::Key_Tab);
        order.push_back(FocusName());
    }
    EXPECT_THAT(order, ElementsAre("chkWindowed", "cmbResModes", "cmdGo"));

    // The check box takes 0 to 2. Space toggles it; a greyed box turns checked, and the user never greys it.
    Press(Qt::Key_Tab);
    EXPECT_FALSE(window.SetWindowedValue(-1) || window.SetWindowedValue(3));
    ASSERT_TRUE(window.SetWindowedValue(0) && window.SetWindowedValue(2));
    EXPECT_EQ(window.WindowedValue(), 2);
    std::vector<int> values;
    for (int i = 0; i < 3; ++i) {
        Press(Qt::Key_Space);
        values.push_back(form.Config.Windowed);
    }
    EXPECT_THAT(values, ElementsAre(1, 0, 1));

    Press(Qt::Key_Tab);
    Press(Qt::Key_Down);
    EXPECT_EQ(Log().back(), "Screenmode changed to 640x480x32");

    dialog.close();
    EXPECT_FALSE(window.IsLoaded());
    EXPECT_EQ(ReadWholeFile(folder / "CONFIG.CFG"), "640,480,32,1\r\n");
}

} // namespace

#include "launcher/qt/ConfigWindow.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStringDecoder>

namespace {

// A click turns a greyed or clear box checked and a checked one clear: only the program sets
// the greyed state.
class WindowedCheckBox final : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override { setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked); }
};

// Positions in the window's design unit, twips, of which 15 make a pixel.
QRect Twips(int left, int top, int width, int height) { return {left / 15, top / 15, width / 15, height / 15}; }

// Notes.txt holds whatever the user's editor saved. A file with a UTF-16 byte-order mark is read
// as UTF-16, valid UTF-8 as UTF-8 (a byte-order mark dropped). Anything else is most likely an 8-bit file in Windows-1252, the code page of
// most such text, in which every byte is a character: accented letters and typographic quotes
// stay readable, where replacement characters would blank out each one of them. Its five
// unassigned bytes become replacement characters.
QString DecodeNotes(const std::string& bytes)
{
    const QByteArrayView data(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (bytes.starts_with("\xff\xfe") || bytes.starts_with("\xfe\xff"))
        return QStringDecoder(QStringConverter::Utf16, QStringConverter::Flag::Stateless).decode(data);
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(data);
    if (!utf8.hasError())
        return text;
    static constexpr char16_t Windows1252From80[32] = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
    text.clear();
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text += QChar(byte >= 0x80 && byte < 0xA0 ? Windows1252From80[byte - 0x80] : char16_t{byte});
    }
    return text;
}

void Raise(const std::function<void()>& event)
{
    if (event)
        event();
}

} // namespace

class ConfigWindow::Dialog final : public QDialog {
public:
    explicit Dialog(ConfigWindow& owner) : owner_(owner), banner_(":/launcher/banner.png")
    {
        setWindowTitle("Dunmere Demo");
        setWindowIcon(QIcon(":/launcher/icon.png"));
        setFixedSize(497, 179);
        QFont font("Verdana");
        font.setPointSizeF(8.25);
        setFont(font);

        lblInfo = new QLabel(this);
        lblInfo->setObjectName("lblInfo");
        lblInfo->setGeometry(Twips(120, 1080, 4575, 1455));
        lblInfo->setWordWrap(true);
        lblInfo->setTextFormat(Qt::PlainText); // a Notes.txt that looks like HTML is shown as written
        lblInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);

        fraSettings = new QGroupBox("Graphics Settings", this);
        fraSettings->setObjectName("fraSettings");
        fraSettings->setGeometry(Twips(4800, 1080, 2535, 1095));

        cmbResModes = new QComboBox(fraSettings);
        cmbResModes->setObjectName("cmbResModes");
        cmbResModes->setGeometry(Twips(120, 240, 2295, 315));
        cmbResModes->setEditable(false);

        chkWindowed = new WindowedCheckBox("Fake Fullscreen", fraSettings);
        chkWindowed->setObjectName("chkWindowed");
        chkWindowed->setGeometry(Twips(120, 600, 2295, 375));

        cmdGo = new QPushButton("Go!", this);
        cmdGo->setObjectName("cmdGo");
        cmdGo->setGeometry(Twips(4800, 2280, 2535, 285));
        cmdGo->setDefault(true);

        // Tab order: Go!, the check box, the list (the frame and the label take no focus).
        QWidget::setTabOrder(cmdGo, chkWindowed);
        QWidget::setTabOrder(chkWindowed, cmbResModes);
        cmdGo->setFocus();

        ConfigEvents& events = owner_.Events;
        connect(cmbResModes, &QComboBox::currentIndexChanged, this, [&events](int) { Raise(events.cmbResModes_Click); });
        connect(cmbResModes->view()->verticalScrollBar(), &QScrollBar::valueChanged, this,
                [&events](int) { Raise(events.cmbResModes_Scroll); });
        connect(chkWindowed, &QCheckBox::stateChanged, this, [&events](int) { Raise(events.chkWindowed_Click); });
        connect(cmdGo, &QPushButton::clicked, this, [&events] { Raise(events.cmdGo_Click); });
    }

    QLabel* lblInfo;
    QGroupBox* fraSettings;
    QComboBox* cmbResModes;
    QCheckBox* chkWindowed;
    QPushButton* cmdGo;

protected:
    // The user's or the system's close: the settings are saved and, as no other window of the
    // program exists yet, the program ends.
    void closeEvent(QCloseEvent* event) override
    {
        Raise(owner_.Handlers.QueryUnload);
        owner_.loaded_ = false;
        event->accept();
        QCoreApplication::quit();
    }

    // Escape does not close the launcher; Enter presses "Go!" wherever the focus is.
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Escape)
            event->ignore();
        else
            QDialog::keyPressEvent(event);
    }

    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.drawPixmap(0, 0, banner_);
    }

private:
    ConfigWindow& owner_;
    QPixmap banner_;
};

ConfigWindow::ConfigWindow() : form_(std::make_unique<Dialog>(*this)) {}

ConfigWindow::~ConfigWindow() = default;

QWidget& ConfigWindow::Widget() { return *form_; }

void ConfigWindow::Show()
{
    if (loaded_)
        form_->show();
}

void ConfigWindow::Hide() { form_->hide(); }

void ConfigWindow::SetFocus()
{
    form_->raise();
    form_->activateWindow();
}

void ConfigWindow::Unload()
{
    if (!loaded_)
        return;
    loaded_ = false;
    form_->hide();
    // Let the window system take the window away now: the caller goes on without an event loop.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool ConfigWindow::HasFocus() const { return form_->isActiveWindow(); }

int ConfigWindow::Left() const { return form_->mapToGlobal(QPoint(0, 0)).x(); }

int ConfigWindow::Top() const { return form_->mapToGlobal(QPoint(0, 0)).y(); }

int ConfigWindow::ClientWidth() const { return form_->width(); }

int ConfigWindow::ClientHeight() const { return form_->height(); }

void ConfigWindow::SetInfoText(const std::string& text)
{
    form_->lblInfo->setText(DecodeNotes(text).replace("\r\n", "\n"));
}

void ConfigWindow::ClearModes()
{
    const QSignalBlocker quiet(form_->cmbResModes);
    form_->cmbResModes->clear();
}

void ConfigWindow::AddMode(const std::string& text)
{
    // A list that gets its first entry selects it on its own: undo that quietly.
    const QSignalBlocker quiet(form_->cmbResModes);
    const int selected = form_->cmbResModes->currentIndex();
    form_->cmbResModes->addItem(QString::fromStdString(text));
    form_->cmbResModes->setCurrentIndex(selected);
}

int ConfigWindow::ModeCount() const { return form_->cmbResModes->count(); }

int ConfigWindow::SelectedMode() const { return form_->cmbResModes->currentIndex(); }

void ConfigWindow::SelectMode(int index) { form_->cmbResModes->setCurrentIndex(index); }

bool ConfigWindow::SetWindowedValue(int value)
{
    static constexpr Qt::CheckState states[] = {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};
    if (value < 0 || value > 2)
        return false;
    form_->chkWindowed->setCheckState(states[value]);
    return true;
}

int ConfigWindow::WindowedValue() const
{
    switch (form_->chkWindowed->checkState()) {
    case Qt::Checked: return 1;
    case Qt::PartiallyChecked: return 2;
    default: return 0;
    }
}

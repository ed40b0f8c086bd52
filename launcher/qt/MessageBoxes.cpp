#include "launcher/qt/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

namespace {

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

} // namespace

bool ShowQtMessageBox(std::string_view title, std::string_view text, MessageBoxIcon icon)
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
        return false;
    QMessageBox box(icon == MessageBoxIcon::Critical ? QMessageBox::Critical : QMessageBox::Information, Text(title),
                    Text(text), QMessageBox::Ok);
    // Above the game's full-screen window, which belongs to another toolkit.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
    return true;
}

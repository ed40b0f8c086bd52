// Dunmere Demo: starts the windowing system, the OpenGL back end and Qt, then opens the launcher
// with the game's start handed to it. Its "Go!" runs the game, which ends the process; closing it
// saves the settings and ends here.
#include "framework/Desktop.h"
#include "framework/DirectX_Framework.h"
#include "framework/EndSignals.h"
#include "framework/FilePaths.h"
#include "framework/WriteFolders.h"
#include "game/StartSequence.h"
#include "launcher/frmConfig.h"
#include "launcher/qt/ConfigWindow.h"
#include "launcher/qt/MessageBoxes.h"

#include <QApplication>
#include <QSessionManager>
#include <QTimer>
#include <QWidget>

#include <clocale>
#include <cstdio>

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    // From here on SIGTERM, SIGINT and SIGHUP close the launcher or end the game in order.
    EndSignals::Install();
    // The settings, the log and the screenshots stay beside the program when its folder takes
    // files, else (an installed copy) they go to the user's folders; the log says which.
    DirectX_Framework::WritePlaces = DirectX_Framework::ChooseWriteFolders(ExecutableFolder());
    if (const std::string line = DirectX_Framework::WriteFoldersLine(); !line.empty())
        DirectX_Framework::LogLine(line);

    // SDL first: it tells whether there is a display at all, where Qt would abort.
    std::string error;
    std::unique_ptr<DesktopSystem> desktop = DesktopSystem::Start(true, error, ShowQtMessageBox);
    if (!desktop) {
        // No window can show this: standard error and the log file say it.
        std::fprintf(stderr, "%s: cannot start: %s\n", DirectX_Framework::ApplicationTitle, error.c_str());
        DirectX_Framework::LogLine("Could not start the windowing system: " + error);
        try {
            const std::string& logFolder = DirectX_Framework::WritePlaces.Log;
            DirectX_Framework::CreateUserFolder(logFolder);
            DirectX_Framework::SaveLog(JoinPath(logFolder.empty() ? ExecutableFolder() : logFolder, "Log.txt"));
        } catch (const std::exception&) {
        }
        return 1;
    }
    InstallPlatform(&desktop->Windows());
    DirectX_Framework::DirectXFactory = desktop->Graphics();

    QApplication application(argc, argv);
    // The launcher's closing ends the program, but its closing by "Go!" must not: the game and
    // its message boxes run on.
    QApplication::setQuitOnLastWindowClosed(false);

    ConfigWindow window;
    frmConfig form(window, StartSequence::RunGame);
    DirectX_Framework::EndOnUnexpectedError([&] { form.Form_Load(); });
    window.Show();

    // A signal to end closes the launcher as its close button does (the settings are saved).
    // Once the game runs, its own event passes take the request instead.
    QTimer endSignals;
    QObject::connect(&endSignals, &QTimer::timeout, [&window] {
        if (window.IsLoaded() && EndSignals::TakeRequest())
            window.Widget().close();
    });
    endSignals.start(100);
    // The desktop session ending does not close windows: save the settings as a close would.
    QObject::connect(&application, &QGuiApplication::commitDataRequest, [&window, &form](QSessionManager&) {
        if (window.IsLoaded())
            form.Form_QueryUnload();
    });
    const int status = QApplication::exec();

    // Closed without starting the game (the settings are saved): release the graphics objects
    // while the windowing system is still up.
    DirectX_Framework::D3DX.reset();
    DirectX_Framework::D3D.reset();
    return status;
}

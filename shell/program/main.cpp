// delvora: the acquisition program. It takes no arguments; where it keeps its settings and
// where data sets go is in the README.

#include "shell/MessageBoxPrompter.h"
#include "shell/MainFrame.h"
#include "shell/ProgramParts.h"
#include "shell/QtProfile.h"
#include "shell/RavikApp.h"
#include "shell/SessionEnd.h"
#include "shell/TickClock.h"

#include <QApplication>
#include <QTimer>

#include <csignal>

int main(int argc, char** argv)
{
    // A write past the file-size limit is a failed write, reported as a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication qapp(argc, argv);

    MessageBoxPrompter prompter;
    QtProfile profile;
    SteadyTickClock clock;
    CSessionEnd sessionEnd;
    CRavikApp* running = nullptr;
    sessionEnd.SetHandler([&] {
        prompter.SetQuiet(true);
        CSessionEnd::DismissDialogs();
        // Closed once the dismissed dialogs have returned, as File > Exit would close it.
        QTimer::singleShot(0, &qapp, [&] {
            if (running && running->MainWindow())
                running->MainWindow()->close();
        });
    });

    int rc = 0;
    {
        CRavikApp app(ProgramParts(prompter, profile, clock));
        running = &app;
        InstallProgramDialogs(app);
        app.SetEndRequested([&] { return sessionEnd.Requested(); });
        // Told to end while the settings files were read: no window, no presence check.
        if (!sessionEnd.Requested() && app.InitInstance() && !sessionEnd.Requested())
            rc = qapp.exec();
        app.ExitInstance();
        running = nullptr;
    }
    return rc;
}

// Window tests run on Qt's offscreen platform, with the home and configuration folders in a
// fresh temporary folder so that no test reads or writes the user's settings.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    char pattern[] = "/tmp/delvora-gui-XXXXXX";
    const char* home = ::mkdtemp(pattern);
    if (home) {
        ::setenv("HOME", home, 1);
        ::setenv("XDG_CONFIG_HOME", (std::string(home) + "/config").c_str(), 1);
    }
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    if (home)
        std::system((std::string("rm -rf '") + home + "'").c_str());
    return rc;
}

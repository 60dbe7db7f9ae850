// Window tests run on Qt's offscreen platform, with the home and configuration folders in a
// fresh temporary folder so that no test reads or writes the user's settings. A binary built
// with DELVORA_TEST_SCREEN (a screen description in the tree) gets that screen in place of
// the platform's own.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
#ifdef DELVORA_TEST_SCREEN
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" DELVORA_TEST_SCREEN);
#else
    qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
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

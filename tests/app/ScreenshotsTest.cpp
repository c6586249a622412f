// Not a check: pictures of every window for the README, taken with ImageMagick's import
// on a real X display. Runs only when PELMAR_SCREENSHOT_DIR names the folder for them
// (scripts/screenshots.sh starts a virtual display and sets it).
#include "AppFixture.h"
#include "app/ImportHelpWindow.h"
#include "app/SendLogWindow.h"
#include "app/AboutBox.h"

#include <QProcess>
#include <QWindow>

namespace {

class Screenshots : public AppTest {
protected:
    QString Folder = qEnvironmentVariable("PELMAR_SCREENSHOT_DIR");

    void Take(QWidget& window, const QString& name)
    {
        window.show();
        window.raise();
        window.activateWindow();
        PumpUntil([&window] { return window.isVisible() && window.windowHandle()->isExposed(); });
        for (int i = 0; i < 20; ++i)
            Pump();
        const QString file = Folder + "/" + name + ".png";
        EXPECT_EQ(QProcess::execute("import", {"-window", QString::number(window.winId()), file}), 0) << Str(file);
    }
};

TEST_F(Screenshots, EveryWindow)
{
    if (Folder.isEmpty() || QGuiApplication::platformName() != "xcb")
        GTEST_SKIP() << "set PELMAR_SCREENSHOT_DIR and run on an X display";
    Sandbox.WriteSettings("[General]\nime=Ana Novak\nemail=ana@example.org\nhost=mail.example.org\n"
                          "username=ana\nport=587\npavza=1\nleft=0\ntop=0\nsecurity=1\ntimeout=60\n");
    Ui.OpenAnswers = {Sandbox.MakeFile("lists/friends.txt",
        "ana.kovac@example.org\nMarko Horvat <marko@example.org>\nspela@example.net\n"
        "info@example.com\njoze.zupan@example.org\nnina@example.net\n"),
        Sandbox.MakeFile("lists/invitation.txt", "Dear friends,\n\nyou are kindly invited to our summer "
        "party on Saturday, 14 June, at 18:00 in the garden behind the library. Please bring good "
        "mood and, if you like, something to share.\n\nKind regards,\nAna\n"),
        Sandbox.MakeFile("lists/map.pdf", "%PDF")};
    Start();
    Window().openRecipientFile();
    Window().openMessageFile();
    Window().pickAttachment();
    Window().attachmentEdit->setText("/home/ana/Documents/map.pdf");
    Window().subjectEdit->setText("Summer party invitation");
    Window().addressEdit->setText("new.friend@example.org");
    Take(Window(), "main-english");
    Window().useSlovenian();
    Take(Window(), "main-slovenian");
    Window().useEnglish();

    Settings().show(); // the keyring is asked as it opens; the password is typed after
    Settings().passwordEdit->setText("not-a-real-password");
    Take(Settings(), "settings-english");
    Window().useSlovenian();
    Take(Settings(), "settings-slovenian");
    Window().useEnglish();
    Settings().userIdEdit->clear();
    Take(Settings(), "settings-needed");
    Settings().hide();
    Ui.OnModal = [this](QWidget& dialog) {
        Take(dialog, "about");
        dialog.hide();
    };
    Window().showAbout();
    Take(Program->ImportHelpWindow(), "import-help");
    Program->SendLogWindow().logText->setPlainText("14:02:11: ana.kovac@example.org...   OK.\n"
                                        "14:02:12: Marko Horvat <marko@example.org>...   OK.\n"
                                        "14:02:13: spela@example.net...   OK.");
    Take(Program->SendLogWindow(), "log");
}

}

#pragma once
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

class TForm1;
class TForm3;
class TVarnoltAbout;
class TOutlookForm;
class TForm6;

// The running program: its five windows, created in this order and kept until it ends.
// Closing the main window ends the program; the others go with it.
class TPelmar {
public:
    // arguments: the command line without the program's own name.
    explicit TPelmar(QStringList arguments);
    ~TPelmar();
    TPelmar(const TPelmar&) = delete;
    TPelmar& operator=(const TPelmar&) = delete;

    TForm1* Form1 = nullptr;
    TForm3* Form3 = nullptr;
    TVarnoltAbout* VarnoltAbout = nullptr;
    TOutlookForm* OutlookForm = nullptr;
    TForm6* Form6 = nullptr;

    const QStringList& Arguments() const { return FArguments; }
    // The names of the windows in the order they were created.
    const std::vector<std::string>& CreationOrder() const { return FCreationOrder; }

private:
    QStringList FArguments;
    std::vector<std::string> FCreationOrder;
    std::unique_ptr<TForm1> FMainWindow;
};

// Runs the program with the given command line (without the program name); returns its exit code.
int RunPelmar(const QStringList& arguments);

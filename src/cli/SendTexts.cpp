#include "cli/SendTexts.h"

#include "workflow/ProgramState.h"

namespace SendTexts {

std::string UnknownOption(const std::string& name)
{
    const std::string dashes = name.size() == 1 ? "-" : "--";
    return Lang("Neznana izbira: ", "Unknown option: ") + dashes + name;
}

std::string OptionTwice(const std::string& name)
{
    return Lang("Izbira --", "The option --") + name + Lang(" je lahko podana le enkrat.", " can be given only once.");
}

std::string FilesMissing()
{
    return Lang("Podajte datoteko s prejemniki in datoteko s sporočilom.",
                "Name a recipients file and a message file.");
}

std::string TooManyFiles(const std::string& first)
{
    return Lang("Preveč argumentov: ", "Too many arguments: ") + first;
}

std::string TryHelp()
{
    return Lang("Več pove »pelmar-send --help«.", "Try 'pelmar-send --help' for more.");
}

std::string SettingsIncomplete(const std::string& settingsFile)
{
    return Lang("Nastavitve (ime, e-poštni naslov, strežnik, vrata, uporabniško ime) vpišite v programu "
                "Varnolt Pelmar ali v datoteko ",
                "Enter the settings (name, e-mail address, server, port, user name) in Varnolt Pelmar "
                "or in the file ")
        + settingsFile;
}

std::string NoPasswordWithoutTerminal()
{
    return Lang("Gesla ni: nastavite PELMAR_PASSWORD, ga shranite v programu Varnolt Pelmar (v zbirko ključev) "
                "ali zaženite pelmar-send v terminalu.",
                "No password: set PELMAR_PASSWORD, save it in Varnolt Pelmar's settings (the keyring), "
                "or run pelmar-send on a terminal.");
}

std::string Stopping()
{
    return Lang("Ustavljam po sporočilu, ki se pošilja (še en Ctrl-C ustavi takoj) ...",
                "Stopping after the message in flight (Ctrl-C again stops at once) ...");
}

std::string NotDeliveredHeading()
{
    return Lang("Niso prejeli sporočila:", "Not delivered:");
}

std::string NotATime(const std::string& text)
{
    return Lang("Ni čas: ", "Not a time: ") + text + Lang(" (uporabite HH:MM ali 2026-12-10T08:00)", " (use HH:MM or 2026-12-10T08:00)");
}

std::string EmptyFieldsHeld()
{
    return Lang("Nič ni poslano. Dopolnite seznam ali pošljite z --allow-empty-fields.",
                "Nothing sent. Complete the list, or send anyway with --allow-empty-fields.");
}

std::string WaitingToStart(const std::string& moment)
{
    return Lang("Pošiljanje se začne ob ", "Sending starts at ") + moment + Lang(" (Ctrl-C prekliče).", " (Ctrl-C cancels).");
}

std::string AnsweredFor(const std::string& answer)
{
    return Lang("(brez terminala, izbrano: ", "(no terminal, answered: ") + answer + ")";
}

} // namespace SendTexts

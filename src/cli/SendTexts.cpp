// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/SendTexts.h"

#include "workflow/history/DeliveryHistory.h"
#include "workflow/job/JobLedger.h"
#include "workflow/program/ProgramState.h"

#include <QLocale>

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

std::string ContinuesJob(const TJobSummary& earlier, const std::string& listFile)
{
    const std::string id = std::to_string(earlier.id);
    const std::string started =
        QLocale::system().toString(earlier.started.toLocalTime(), QLocale::ShortFormat).toStdString();
    const std::string delivered = std::to_string(earlier.delivered);
    const std::string total = std::to_string(earlier.total);
    if (CurrentLanguage == 1)
        return "Nadaljujem nedokončano pošiljanje št. " + id + " (začeto " + started + ") z istim seznamom (" + listFile
            + ") in sporočilom: prej dostavljeno " + delivered + " od " + total
            + "; pošiljam le ostalim. Z --restart se pošiljanje začne znova pri prvem.";
    return "Continuing unfinished job " + id + " (started " + started + ") of the same list (" + listFile
        + ") and message: " + delivered + " of " + total
        + " delivered before; sending only to the rest. --restart starts again from the first entry.";
}

std::string ThisRun(const TJobCounts& run, int deliveredBefore)
{
    const std::string delivered = std::to_string(run.Delivered);
    const std::string refused = std::to_string(run.Refused);
    const std::string deferred = std::to_string(run.Deferred);
    const std::string before = std::to_string(deliveredBefore);
    if (CurrentLanguage == 1)
        return "Ta zagon: dostavljeno " + delivered + ", zavrnjeno " + refused + ", odloženo " + deferred
            + ". Števila pošiljanja zgoraj vključujejo " + before + " prej dostavljenih.";
    return "This run: delivered " + delivered + ", refused " + refused + ", deferred " + deferred
        + ". The job's counts above include the " + before + " delivered before.";
}

std::string NotATime(const std::string& text)
{
    return Lang("Ni čas: ", "Not a time: ") + text
        + Lang(" (uporabite HH:MM ali 2026-12-10T08:00)", " (use HH:MM or 2026-12-10T08:00)");
}

std::string EmptyFieldsHeld()
{
    return Lang("Nič ni poslano. Dopolnite seznam ali pošljite z --allow-empty-fields.",
                "Nothing sent. Complete the list, or send anyway with --allow-empty-fields.");
}

std::string WaitingToStart(const std::string& moment)
{
    return Lang("Pošiljanje se začne ob ", "Sending starts at ") + moment
        + Lang(" (Ctrl-C prekliče).", " (Ctrl-C cancels).");
}

std::string AnsweredFor(const std::string& answer)
{
    return Lang("(brez terminala, izbrano: ", "(no terminal, answered: ") + answer + ")";
}

std::string SettingsSaved(const std::string& settingsFile)
{
    return Lang("Zapisano v ", "Saved to ") + settingsFile;
}

} // namespace SendTexts

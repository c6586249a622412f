// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/ui/Messages.h"

#include "workflow/program/ProgramState.h"

namespace Messages {

std::string NumbersOnly()
{
    return Lang("V polje vnesite številsko vrednost!", "You can enter only numbers!");
}

std::string Welcome()
{
    return Lang("Pozdravljeni v programu Varnolt Pelmar!\r\r"
                "Prosim vpišite podatke o vašem elektronskem naslovu. \r"
                "Podatke lahko kadarkoli spremenite, če v meniju izberete 'Nastavitve'.\r\r"
                "Želim vam prijetno uporabo programa!\r\rBero.",
                "Welcome to Varnolt Pelmar!\r\r"
                "Please enter the information about your e-mail account. You will be able to "
                "change the information later by clicking on the 'Settings' button.\r\r");
}

std::string SettingsMissing()
{
    return Lang("Niste še vpisali podatkov o vašem e-mail naslovu, brez teh podatkov pa ne "
                "morete pošiljati pošte.\r\rZato vpišite podatke sedaj.",
                "You didn't enter your e-mail settings yet.\r"
                "Without that information you can't send e-mails.\r\rEnter the information now.");
}

std::string NoRecipients()
{
    return Lang("Nisi napisal prejemnikov!", "No recipients specified!");
}

std::string ConnectFailed()
{
    return Lang("Povezava ni uspela", "Connect failed");
}

std::string MessagesSent(int count)
{
    if (CurrentLanguage == 1)
        return "Poslano " + std::to_string(count) + " sporočil.";
    return std::to_string(count) + " messages sent.";
}

std::string LossyFile(const std::string& fileName, const std::string& encoding)
{
    if (CurrentLanguage == 1)
        return "Datoteke " + fileName + " ni bilo mogoče prebrati v celoti (prebrana je kot " + encoding
            + "): znaki, ki jih ni bilo mogoče prebrati, so nadomeščeni z \uFFFD.\r"
              "Preden besedilo pošljete ali shranite, ga preglejte.";
    return "The file " + fileName + " could not be read in full (it was read as " + encoding
        + "): characters that could not be read were replaced with \uFFFD.\r"
          "Check the text before you send or save it.";
}

std::string CannotOpen(const std::string& target)
{
    if (CurrentLanguage == 1)
        return "Ni mogoče odpreti " + target
            + "\r\rNa tem računalniku ni spletnega brskalnika ali drugega programa, ki bi ga odprl.";
    return "Cannot open " + target + "\r\rNo web browser or other program on this computer is set up to open it.";
}

std::string AboutParagraph()
{
    return Lang("Varnolt Pelmar je program za pošiljanje elektronske pošte več naslovnikom "
                "hkrati, ne da bi oni videli, da je bila pošta poslana tudi drugim. Idealno za "
                "razpošiljanje vabil, kot tudi za razna obvestila, ki jih pošiljamo na več "
                "naslovov, pa moramo paziti na varnost osebnih podatkov.",
                "Varnolt Pelmar is a program for sending e-mail to more recipents at once. "
                "However, every recipient will see only himself on the recipient list. Great for "
                "personal invitations and business proposals or newsletters - specially when you "
                "have to protect personal information of other people.");
}

std::string AboutSeeAlso()
{
    if (CurrentLanguage == 1)
        return "Za podrobnosti in nove verzije poglejte na naslov " + WebSiteAddress;
    return "See " + WebSiteAddress + " for more information and new versions.";
}

std::string NotAnAddress()
{
    return Lang("To ni veljaven e-poštni naslov.", "This is not a valid e-mail address.");
}

std::string EditingResumes()
{
    return Lang("Urejanje bo spet mogoče, ko se pošiljanje konča.", "Editing resumes when the job ends");
}

// ---- The secured connection ----------------------------------------------------------

std::string PasswordPrompt(const std::string& user, const std::string& host)
{
    if (CurrentLanguage == 1)
        return "Geslo za " + user + " na strežniku " + host + ":";
    return "Password for " + user + " on " + host + ":";
}

std::string CertificateNotTrusted(const std::string& host)
{
    if (CurrentLanguage == 1)
        return "Strežnik " + host
            + " se je izkazal s potrdilom, ki mu ta računalnik ne zaupa.\r\r"
              "Nobeno sporočilo ni bilo poslano.";
    return "The server " + host
        + " showed a certificate that this computer does not trust.\r\r"
          "No message was sent.";
}

std::string CertificateExpired(const std::string& host)
{
    if (CurrentLanguage == 1)
        return "Potrdilo strežnika " + host + " je poteklo.\r\rNobeno sporočilo ni bilo poslano.";
    return "The certificate of the server " + host + " has expired.\r\rNo message was sent.";
}

std::string CertificateWrongName(const std::string& host)
{
    if (CurrentLanguage == 1)
        return "Potrdilo strežnika je izdano za drugo ime, ne za " + host
            + ".\r\r"
              "Nobeno sporočilo ni bilo poslano.";
    return "The server's certificate is made out to another name, not to " + host
        + ".\r\r"
          "No message was sent.";
}

std::string LoginRefused(const std::string& reply)
{
    std::string words = reply;
    while (!words.empty() && (words.back() == '\n' || words.back() == '\r'))
        words.pop_back();
    for (std::size_t at = words.find("\r\n"); at != std::string::npos; at = words.find("\r\n", at))
        words.replace(at, 2, "\r");
    return std::string(Lang("Strežnik je zavrnil prijavo:\r", "The server refused the login:\r")) + words;
}

std::string FindSettingsHint()
{
    return Lang("Vpišite elektronski naslov in kliknite »Poišči nastavitve«: program poišče strežnik, vrata, "
                "varnost in uporabniško ime.",
                "Type your e-mail address and click \"Find settings\": the program looks up the server, port, "
                "security and user name.");
}

std::string FindingSettings(const std::string& address)
{
    return Lang("Iščem nastavitve za ", "Looking up the settings for ") + address + " …";
}

std::string NoSettingsFound(const std::string& address)
{
    return Lang("Nastavitev za ", "No settings found for ") + address + Lang(" ni bilo mogoče najti.", ".");
}

std::string AskHttp(const std::string& url)
{
    return Lang("Varni viri niso našli nastavitev. Vprašam še ", "The secure sources found no settings. Ask ") + url
        + Lang(" prek navadnega http? Odgovor bi lahko kdo ponaredil.",
               " over plain http? Its answer could be forged.");
}

std::vector<std::string> HttpAnswers()
{
    return {Lang("Ne", "No"), Lang("Da", "Yes")};
}

std::string SignInWith(const std::string& signIn, const std::string& provider)
{
    if (signIn != "oauth2")
        return Lang("Prijava z geslom.", "Sign-in with the password.");
    return Lang("Ponudnik zahteva prijavo OAuth 2.0", "The provider requires OAuth 2.0 sign-in")
        + (provider.empty() ? std::string() : " (" + provider + ")") + ".";
}

}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/account/SignInMessages.h"

#include "workflow/program/ProgramState.h"

namespace Messages {

std::string TokenCommandFailed(int exitStatus, const std::string& errorOutput)
{
    const std::string status = std::to_string(exitStatus);
    if (CurrentLanguage == 1)
        return "Ukaz za žeton (tokencommand) ni uspel, izhodna koda " + status + ":\r" + errorOutput;
    return "The token command (tokencommand) failed with exit status " + status + ":\r" + errorOutput;
}

std::string TokenCommandEmpty()
{
    return Lang("Ukaz za žeton (tokencommand) ni izpisal žetona.",
                "The token command (tokencommand) printed no token.");
}

std::string OAuthSettingsMissing()
{
    return Lang("Za prijavo z OAuth 2.0 so potrebni ID odjemalca (oauthclientid), naslov za prijavo "
                "(oauthauthurl) in naslov za žetone (oauthtokenurl).",
                "Signing in with OAuth 2.0 needs the client ID (oauthclientid), the authorization URL "
                "(oauthauthurl) and the token URL (oauthtokenurl).");
}

std::string SignInInBrowser(const std::string& url)
{
    return std::string(Lang("Prijavite se v brskalniku:\r", "Sign in in the browser:\r")) + url;
}

std::string SignInDenied(const std::string& error)
{
    return std::string(Lang("Ponudnik ni dovolil prijave: ", "The provider did not grant the sign-in: ")) + error;
}

std::string SignInStateMismatch()
{
    return Lang("Odgovor na prijavo ne pripada tej prijavi (state se ne ujema); nič ni shranjeno.",
                "The sign-in answer does not belong to this sign-in (its state differs); nothing was kept.");
}

std::string SignInTimedOut(int seconds)
{
    const std::string count = std::to_string(seconds);
    if (CurrentLanguage == 1)
        return "V " + count + " sekundah ni bilo prijave.";
    return "No sign-in within " + count + " seconds.";
}

std::string TokenEndpointFailed(const std::string& reason)
{
    return std::string(Lang("Naslov za žetone ni izdal žetona: ", "The token endpoint gave no token: ")) + reason;
}

std::string SignInNeeded()
{
    return Lang("Prijava ni več veljavna. Znova se prijavite z ukazom pelmar-send --sign-in ali v programu.",
                "The sign-in is no longer valid. Sign in again with pelmar-send --sign-in, or in the program.");
}

std::string SignedIn(bool kept)
{
    if (kept)
        return Lang("Prijava je uspela; žeton za osvežitev je v shrambi gesel.",
                    "Signed in; the refresh token is in the keyring.");
    return Lang("Prijava je uspela, a shramba gesel se ne odziva: prijava velja le do konca programa.",
                "Signed in, but no keyring answers: the sign-in holds only until the program ends.");
}

std::string NoKeyring()
{
    return Lang("Shramba gesel se ne odziva: geslo bo vprašano ob vsakem zagonu.",
                "No keyring answers: the password will be asked for at each start.");
}

std::string CheckLoginSettings(bool token)
{
    if (token)
        return Lang("Preverite nastavitve username, signin in oauthclientid ali tokencommand.",
                    "Check the settings username, signin and oauthclientid or tokencommand.");
    return Lang("Preverite nastavitev username in geslo (PELMAR_PASSWORD ali shramba gesel).",
                "Check the setting username and the password (PELMAR_PASSWORD or the keyring).");
}

}

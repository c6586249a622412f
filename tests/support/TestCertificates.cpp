// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TestCertificates.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace {

bool Run(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// Signs the key's request for names (a subjectAltName value) by the authority.
bool Sign(const std::string& dir, const std::string& authority, const std::string& names, const std::string& days,
          const std::string& out)
{
    std::ofstream(dir + "/ext") << "subjectAltName=" << names << "\n";
    return Run("openssl req -new -key " + dir + "/server.key -subj /CN=test-server -out " + dir + "/server.csr")
        && Run("openssl x509 -req -in " + dir + "/server.csr -CA " + dir + "/" + authority + ".pem -CAkey " + dir + "/"
               + authority + ".key -CAcreateserial -days " + days + " -extfile " + dir + "/ext -out " + out);
}

TTestCertificates Make()
{
    static QTemporaryDir folder;
    const std::string dir = folder.path().toStdString();
    const std::string newKey = "openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:prime256v1 -out ";
    const auto authority = [&](const std::string& name) {
        return Run(newKey + dir + "/" + name + ".key")
            && Run("openssl req -x509 -new -key " + dir + "/" + name + ".key -subj /CN=" + name + " -days 30 -out "
                   + dir + "/" + name + ".pem");
    };
    TTestCertificates made{dir + "/authority.pem",  dir + "/server.key",  dir + "/server.pem",
                           dir + "/wrong-name.pem", dir + "/expired.pem", dir + "/untrusted.pem"};
    const std::string local = "DNS:localhost,IP:127.0.0.1";
    const bool ok = authority("authority") && authority("stranger") && Run(newKey + made.Key)
        && Sign(dir, "authority", local, "30", made.Server)
        && Sign(dir, "authority", "DNS:mail.example.test", "30", made.WrongName)
        && Sign(dir, "authority", local, "-1", made.Expired) && Sign(dir, "stranger", local, "30", made.Untrusted);
    if (!ok) {
        ADD_FAILURE() << "openssl could not make the test certificates in " << dir;
        return {};
    }
    return made;
}

} // namespace

const TTestCertificates& TestCertificates()
{
    static const TTestCertificates certificates = Make();
    return certificates;
}

TTrustTestAuthority::TTrustTestAuthority()
{
    if (const char* previous = std::getenv("SSL_CERT_FILE")) {
        FPrevious = previous;
        FHadPrevious = true;
    }
    setenv("SSL_CERT_FILE", TestCertificates().Authority.c_str(), 1);
}

TTrustTestAuthority::~TTrustTestAuthority()
{
    if (FHadPrevious)
        setenv("SSL_CERT_FILE", FPrevious.c_str(), 1);
    else
        unsetenv("SSL_CERT_FILE");
}

// SPDX-License-Identifier: GPL-3.0-or-later
// A job of 100,000 recipients from an address-book export: reads the export, then merges
// a subject and a 60-line body with fields for every row, and prints the times. The time
// per message must not grow with the list: the first and the last tenth are printed apart.
#include "workflow/compose/MessageMerge.h"
#include "workflow/lists/AddressBook.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

constexpr int Recipients = 100000;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string Export()
{
    std::string text = "\"First Name\",\"Last Name\",\"E-mail Address\",\"Company\",\"Notes\"\r\n";
    for (int i = 0; i < Recipients; ++i)
        text += "\"Ana" + std::to_string(i) + "\",\"Novak\",\"ana" + std::to_string(i)
            + "@example.org\",\"Kos & Sinovi, d.o.o.\",\"line one\r\nline two\"\r\n";
    return text;
}

TStringList Body()
{
    TStringList body;
    body.Add("<p>Dear {{first}},</p>");
    for (int i = 0; i < 58; ++i)
        body.Add("<p>A line of the letter that says the same to everyone, number " + std::to_string(i) + ".</p>");
    body.Add("<p>{{Company}} / {{Notes}} / {{{{not a field}}</p>");
    return body;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const std::string text = Export();
    auto start = Clock::now();
    const TRecipientTable table = *ReadAddressBook(text);
    std::printf("read %zu rows (%.1f MB) in %.3f s\n", table.Rows.size(), text.size() / 1e6, Seconds(start));

    start = Clock::now();
    const TMessageMerge merge("News for {{name}} at {{Company}}", Body(), true, table.Columns);
    std::printf("parsed the message in %.6f s, %zu problems\n", Seconds(start), merge.Problems().size());

    std::size_t bytes = 0;
    double tenth[2] = {0, 0};
    start = Clock::now();
    for (std::size_t i = 0; i < table.Rows.size(); ++i) {
        const auto one = Clock::now();
        const TMergeRecipient recipient{table.Rows[i].Entry, &table.Rows[i].Values};
        bytes += merge.Subject(recipient).size();
        const TStringList body = merge.Body(recipient);
        for (const std::string& line : body.Lines())
            bytes += line.size() + 2;
        if (i < table.Rows.size() / 10)
            tenth[0] += Seconds(one);
        else if (i >= table.Rows.size() * 9 / 10)
            tenth[1] += Seconds(one);
    }
    const double total = Seconds(start);
    std::printf("merged %zu messages (%.1f MB) in %.3f s: %.2f us each; first tenth %.3f s, last tenth %.3f s\n",
                table.Rows.size(), bytes / 1e6, total, total * 1e6 / table.Rows.size(), tenth[0], tenth[1]);
    return 0;
}

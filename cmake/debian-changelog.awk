# SPDX-License-Identifier: GPL-3.0-or-later
# Writes CHANGELOG.md as a Debian changelog (deb-changelog(5)) on standard output: an entry
# per "## VERSION (YYYY-MM-DD)" heading, a "*" item per "-" item.
#   awk -v package=P -v maintainer="NAME <ADDRESS>" -v version=V -v date=D -f THIS CHANGELOG.md
# version and date are the release the build makes: the newest entry must be that one, so a
# release cannot go out with a changelog that does not name it.
function close_entry() {
    if (entries > 0)
        printf "\n -- %s  %s\n", maintainer, stamp
}

/^## / {
    close_entry()
    entry_version = $2
    entry_date = $3
    gsub(/[()]/, "", entry_date)
    if (entries++ == 0 && (entry_version != version || entry_date != date)) {
        printf "%s: the newest entry is %s (%s), the release is %s (%s)\n", FILENAME, entry_version,
               entry_date, version, date > "/dev/stderr"
        failed = 1
        exit 1
    }
    # Debian wants the day of the week; the release has no time of day.
    command = "LC_ALL=C date -u -d " entry_date " '+%a, %d %b %Y 00:00:00 +0000'"
    if ((command | getline stamp) <= 0) {
        printf "%s: %s is no date\n", FILENAME, entry_date > "/dev/stderr"
        failed = 1
        exit 1
    }
    close(command)
    printf "%s%s (%s) unstable; urgency=medium\n\n", (entries > 1 ? "\n" : ""), package, entry_version
    next
}

entries == 0 { next }
/^- / { print "  * " substr($0, 3); next }
/^  [^ ]/ { print "    " substr($0, 3); next }

END {
    if (failed)
        exit 1
    if (entries == 0) {
        print FILENAME ": no release entry" > "/dev/stderr"
        exit 1
    }
    close_entry()
}

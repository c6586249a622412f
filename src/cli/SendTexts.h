// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

struct TJobCounts;
struct TJobSummary;

// What the headless sender itself says, in the language in force (the window's texts
// for the job come from Messages). Lines are separated by LF.
namespace SendTexts {
std::string UnknownOption(const std::string& name);
std::string OptionTwice(const std::string& name);
std::string FilesMissing();
std::string TooManyFiles(const std::string& first);
std::string TryHelp();
// The settings a job needs are not all in the file; where the file is.
std::string SettingsIncomplete(const std::string& settingsFile);
// No password came from PELMAR_PASSWORD or the keyring and there is no terminal to ask on.
std::string NoPasswordWithoutTerminal();
// The first Ctrl-C.
std::string Stopping();
// Above the entries that did not get the message.
std::string NotDeliveredHeading();
// The job continues an unfinished one of the same list and message: which, when it began,
// how far it got, and how to start again instead.
std::string ContinuesJob(const TJobSummary& earlier, const std::string& listFile);
// After a continued job's summary: what this run did.
std::string ThisRun(const TJobCounts& run, int deliveredBefore);
// --at was given something that is no time.
std::string NotATime(const std::string& text);
// A field is empty for some entries and --allow-empty-fields was not given.
std::string EmptyFieldsHeld();
// --at: the run waits until the moment.
std::string WaitingToStart(const std::string& moment);
// What a question was answered with where nobody could be asked.
std::string AnsweredFor(const std::string& answer);
// --find-settings --save: where the settings found were written.
std::string SettingsSaved(const std::string& settingsFile);
} // namespace SendTexts

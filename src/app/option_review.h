#pragma once
// What velk says about the options of a command line it does not act on: every option is
// either acted on or said to be ignored, so an examiner never reads a report believing an
// option shaped it when it did not.
//
// - An option of the common parser that velk's report does not implement ("-xml",
//   "-sqlite x", "-gzip", ...) is taken out before parsing, with its value, so the report is
//   written as without it: "option ignored by velk: -sqlite".
// - A known option this run does not use ("-carve" beside "-parse_chunk", "-db" beside
//   "-pipe", "-l2" without "-diags", "-csv" beside "-bodyfile", ...): "option not used: -carve
//   (-parse_chunk reads page chunks)", with the reason where one fits.
// - A repeated option that was applied ("-csv -csv", or a value option given the same value
//   twice) is not mentioned; a repeated value option with another value is not used.
// - Any other argument: "unknown option ignored: <argument>".
// Each line is said once. A value option standing last has no value, nor has one followed
// by an option name ("-out -incl_slack"): the run stops with "missing value for <option>"
// before anything is read or written.

#include <string>
#include <vector>

class velk_options;

// False, after "missing value for <option>" on standard error, when a value option of args
// is followed by one of velk's option names, matched as the parsers match them (whole
// argument, any letter case). Such a value would be taken or not depending on the order in
// which the parsers look for the two options; a value that merely begins with '-' ("-1",
// "-report.txt") is a value all the same. To be called before any parser takes anything.
[[nodiscard]] bool check_option_values(const std::vector<std::string>& args);

// Takes out of args every option velk's report does not implement, with its value, and adds
// "option ignored by velk: <option>" to notes once per option. Values of the other options
// are stepped over, so that a value is never taken for an option. Such an option standing
// last stays in args: the review reports its missing value.
void take_unimplemented_options(std::vector<std::string>& args, std::vector<std::string>& notes);

// After every parser ran; given is the list the parsers were handed, left what they left.
// Adds to notes a line for every argument left and for every option given that this run
// does not use. False, after "missing value for <option>" on standard error, when a value
// option stands last among the arguments left.
[[nodiscard]] bool review_options(const velk_options& options,
                                  const std::vector<std::string>& given,
                                  const std::vector<std::string>& left,
                                  std::vector<std::string>& notes);

#pragma once
// wow64_redirect_adt: the scope guard that, where a 32-bit process runs on a 64-bit Windows,
// turns off the file-system redirection of the system folders while the command line is
// read, so that paths an examiner names are opened as named. Linux redirects nothing, so
// the guard holds no state and does nothing; main keeps it so the start-up order stays the
// same on every platform.

class wow64_redirect_adt {
public:
    wow64_redirect_adt() = default;
    ~wow64_redirect_adt() = default;
    wow64_redirect_adt(const wow64_redirect_adt&) = delete;
    wow64_redirect_adt& operator=(const wow64_redirect_adt&) = delete;
};

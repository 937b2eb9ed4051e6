// veilfold: the shell extension's Encrypt and Decrypt on the command line,
// with the same keys, marks, walk and crash journal.
//
// Exit status: 0 when every file was processed; 1 when some file was
// skipped, failed or left unfinished, a path is missing, or the password is
// wrong; 2 for bad usage, which includes a password the code page cannot
// hold and an encrypt with no check value to verify the password against.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/check_store.h"
#include "cli/password.h"
#include "cli/status.h"
#include "cli/system.h"
#include "cli/terminal.h"
#include "cli/terminal_user.h"
#include "crypto/check_value.h"
#include "crypto/wipe.h"
#include "engine/run.h"

namespace {

constexpr int kDone = 0;
constexpr int kSomeLeft = 1;
constexpr int kUsage = 2;
constexpr std::size_t kBlock = 1u << 20;

struct Options {
    bool yes = false;
    bool no = false;
    bool quiet = false;
    bool json = false;
    bool replace = false;
    std::string passwordFile;
    std::string checkValue;
    int codePage = 0;  // the default
    std::vector<std::string> paths;
};

void Error(const std::string& text) { std::fprintf(stderr, "veilfold: %s\n", text.c_str()); }

// The key and check value of a password read as `options` say, wiped on the way out.
struct Password {
    KeyDigest key{};
    KeyDigest checkValue{};
    ~Password() {
        SecureWipe(key);
        SecureWipe(checkValue);
    }
};

int ReadKey(const Options& options, bool twice, Password& out) {
    std::string utf8, ansi;
    PasswordError error = ReadPassword(options.passwordFile, twice, utf8);
    if (error == PasswordError::None) error = ToAnsi(utf8, options.codePage, ansi);
    SecureWipe(utf8.data(), utf8.size());
    if (error != PasswordError::None) {
        if (error == PasswordError::BadCodePage)
            Error("code page " + std::to_string(options.codePage) + " is not one this system knows");
        else if (error == PasswordError::Unreadable && !options.passwordFile.empty())
            Error(options.passwordFile + ": cannot read it");
        else
            Error(PasswordErrorText(error));
        return kUsage;
    }
    Sha1Buffer(ansi.data(), static_cast<std::uint32_t>(ansi.size()), out.key);
    out.checkValue = ComputeCheckValue(ansi.data(), static_cast<std::uint32_t>(ansi.size()), out.key);
    SecureWipe(ansi.data(), ansi.size());
    return kDone;
}

bool Same(const KeyDigest& a, const KeyDigest& b) {
    unsigned differ = 0;
    for (int n = 0; n < 5; ++n) differ |= a.h[n] ^ b.h[n];
    return differ == 0;
}

// The check value to verify the password against: --check-value, else the stored one.
int FindCheckValue(const Options& options, std::optional<KeyDigest>& check) {
    if (!options.checkValue.empty()) {
        check = ParseCheckValueText(options.checkValue);
        if (!check) Error("--check-value takes the 40 hex digits of a check value");
        return check ? kDone : kUsage;
    }
    KeyDigest value;
    switch (ReadStoredCheckValue(value)) {
    case CheckRead::Found: check = value; return kDone;
    case CheckRead::Absent: return kDone;
    case CheckRead::Damaged:
        Error(CheckValueLocation() + ": cannot be read, or is not a check value (it must hold 20 bytes)");
        return kSomeLeft;
    }
    return kDone;
}

// Verified against the check value when there is one. Encrypting under a
// password never verified could make files no one can decrypt, so encrypt
// refuses; decrypt and recover go on with a warning, a wrong key's result
// being undone by running them again with that same wrong password.
int VerifiedKey(const Options& options, bool encrypt, Password& password) {
    std::optional<KeyDigest> check;
    if (int status = FindCheckValue(options, check)) return status;
    if (!check && encrypt) {
        Error("no check value to verify the password: store one with `veilfold password set`, or give --check-value");
        return kUsage;
    }
    if (int status = ReadKey(options, false, password)) return status;
    if (!check) {
        Error("warning: no check value, so the password is not verified; a wrong one turns the files into garbage");
    } else if (!Same(*check, password.checkValue)) {
        Error("incorrect password");
        return kSomeLeft;
    }
    return kDone;
}

int Transform(const Options& options, bool encrypt, bool recoverOnly) {
    std::unique_ptr<FileSystem> fileSystem = MakeFileSystem();
    // Every path is looked at first: a missing one changes nothing anywhere.
    std::vector<PathString> paths;
    bool missing = false;
    for (const std::string& path : options.paths) {
        paths.push_back(AbsolutePath(ToPath(path)));
        EntryFacts facts;
        FsStatus status = fileSystem->Look(paths.back(), facts);
        if (status != FsStatus::Ok) {
            Error(path + (status == FsStatus::NotFound ? ": no such file or folder" : ": cannot look at it"));
            missing = true;
        }
    }
    if (missing) return kSomeLeft;

    Password password;
    if (int status = VerifiedKey(options, encrypt && !recoverOnly, password)) return status;

    CatchInterrupt();
    Answers answers = options.yes ? Answers::AllYes : options.no ? Answers::AllNo : Answers::Ask;
    TerminalUser user(answers, !options.quiet && StderrIsTerminal());
    std::vector<std::uint8_t> buffer(kBlock);
    TransformRun run(*fileSystem, user, password.key, buffer, encrypt);
    std::unique_ptr<JournalStore> journal = OpenJournal();
    if (journal)
        run.UseJournal(*journal, password.checkValue);
    else
        Error("warning: no home folder for the crash journal; a run stopped part way cannot be finished later");
    bool goOn = run.RecoverUnfinished();
    if (!recoverOnly)
        for (const PathString& path : paths)
            if (goOn) goOn = run.WalkPath(path);
    run.Finish(!goOn || user.Cancelled());
    user.ClearProgressLine();
    if (user.Cancelled()) Error("stopped");
    return goOn && !user.SomethingLeft() ? kDone : kSomeLeft;
}

int SetPassword(const Options& options) {
    std::string location = CheckValueLocation();
    if (location.empty()) {
        Error("no home folder to store the check value in");
        return kSomeLeft;
    }
    KeyDigest existing;
    if (ReadStoredCheckValue(existing) != CheckRead::Absent && !options.replace) {
        Error(location +
              " already holds a check value; files encrypted since need its password. "
              "To store a new one all the same, add --replace");
        return kSomeLeft;
    }
    Password password;
    if (int status = ReadKey(options, true, password)) return status;
    if (!StoreCheckValue(password.checkValue)) {
        Error(location + ": cannot write it");
        return kSomeLeft;
    }
    Error("check value stored in " + location);
    return kDone;
}

int CheckPassword(const Options& options) {
    std::optional<KeyDigest> check;
    if (int status = FindCheckValue(options, check)) return status;
    if (!check) {
        Error("no check value stored: store one with `veilfold password set`");
        return kSomeLeft;
    }
    Password password;
    if (int status = ReadKey(options, false, password)) return status;
    if (!Same(*check, password.checkValue)) {
        Error("incorrect password");
        return kSomeLeft;
    }
    Error("the password is correct");
    return kDone;
}

void AddPasswordOptions(CLI::App& command, Options& options) {
    command.add_option("--password-file", options.passwordFile,
                       "Read the password from the first line of FILE (else standard input when it is not a "
                       "terminal, else the terminal)");
    command.add_option("--code-page", options.codePage,
                       std::string("The Windows ANSI code page the password's bytes are taken in (default: ") +
                           kDefaultCodePageText + ")");
}

void AddRunOptions(CLI::App& command, Options& options) {
    AddPasswordOptions(command, options);
    command.add_option("--check-value", options.checkValue,
                       "Verify the password against this check value (40 hex digits) instead of the stored one");
    auto* yes = command.add_flag("-y,--yes", options.yes, "Answer Yes to every question");
    command.add_flag("-n,--no", options.no, "Answer No to every question")->excludes(yes);
    command.add_flag("-q,--quiet", options.quiet, "No progress bar");
}

}  // namespace

int main(int argc, char** argv) {
    OutputSetup output;
    CLI::App app{
        "Encrypts and decrypts files in place, with the keys, marks and journal of the Veilfold shell "
        "extension.",
        "veilfold"};
    app.require_subcommand(1);
    Options options;
    int (*action)(const Options&) = nullptr;

    auto* encrypt = app.add_subcommand("encrypt", "Encrypt files and folders in place (names get .$#!)");
    AddRunOptions(*encrypt, options);
    encrypt->add_option("PATH", options.paths, "Files and folders")->required();
    encrypt->callback([&] { action = [](const Options& o) { return Transform(o, true, false); }; });

    auto* decrypt = app.add_subcommand("decrypt", "Decrypt files and folders in place");
    AddRunOptions(*decrypt, options);
    decrypt->add_option("PATH", options.paths, "Files and folders")->required();
    decrypt->callback([&] { action = [](const Options& o) { return Transform(o, false, false); }; });

    auto* status = app.add_subcommand("status", "Which files are encrypted, which are not, and what is unfinished");
    status->add_flag("--json", options.json, "Machine-readable output");
    status->add_option("PATH", options.paths, "Files and folders")->required();
    status->callback([&] { action = [](const Options& o) { return ShowStatus(o.paths, o.json); }; });

    auto* recover = app.add_subcommand("recover", "Finish the files that a stopped run left part transformed");
    AddRunOptions(*recover, options);
    recover->callback([&] { action = [](const Options& o) { return Transform(o, true, true); }; });

    auto* password = app.add_subcommand("password", "Store or verify the password's check value");
    password->require_subcommand(1);
    auto* set = password->add_subcommand("set", "Store the check value of a new password (asked twice)");
    AddPasswordOptions(*set, options);
    set->add_flag("--replace", options.replace, "Replace a check value already stored");
    set->callback([&] { action = SetPassword; });
    auto* check = password->add_subcommand("check", "Verify a password against the stored check value");
    AddPasswordOptions(*check, options);
    check->add_option("--check-value", options.checkValue, "Verify against this check value (40 hex digits)");
    check->callback([&] { action = CheckPassword; });

    std::vector<std::string> arguments = Utf8Arguments(argc, argv);
    std::vector<char*> pointers;
    for (std::string& argument : arguments) pointers.push_back(argument.data());
    try {
        app.parse(static_cast<int>(pointers.size()), pointers.data());
    } catch (const CLI::RequiredError& error) {
        // CLI11 looks for what is missing before what is unknown; a word it
        // does not know explains more, a misspelt option taken for no PATH.
        std::vector<std::string> unknown = app.remaining(true);
        if (!unknown.empty()) return app.exit(CLI::ExtrasError(unknown)) == 0 ? kDone : kUsage;
        return app.exit(error) == 0 ? kDone : kUsage;
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? kDone : kUsage;
    }
    return action ? action(options) : kUsage;
}

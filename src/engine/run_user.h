#pragma once
// What the engine needs of the person it works for: questions, progress, a
// way to stop, and the end-of-run summary. The shell answers with message
// boxes and the progress window; tests answer with a script.
#include <cstdint>
#include <vector>

#include "engine/path_text.h"

// Each question has its text in the string table under this number.
enum class Question {
    NotFound = 124,            // go on with the next file? (Yes / No)
    CannotOpen = 130,          // go on? (Yes / No)
    AlreadyEncrypted = 131,    // encrypt it anyway? (Yes / No / Cancel)
    NotEncrypted = 132,        // decrypt it anyway? (Yes / No / Cancel)
    CannotRename = 137,        // go on? (Yes / No)
    CannotTransform = 138,     // go on? (Yes / No)
    PathTooLong = 139,         // go on? (Yes / No)
    OtherNames = 142,          // change a file with names outside the run? (Yes / No / Cancel)
    NotRestored = 148,         // could not be put back; go on? (Yes / No)
    Unfinished = 149,          // an earlier run left it part transformed: finish it? (Yes / No / Cancel)
    UnfinishedOtherKey = 150,  // it was under another password; go on? (Yes / No)
    UnfinishedChanged = 151,   // it has changed or gone since; go on? (Yes / No)
    UnfinishedTorn = 152,      // part of it was torn by the crash; go on? (Yes / No)
};

enum class Answer { Yes, No, Cancel };

// Something a run did not process, for the summary at its end.
struct PassedOver {
    enum class Reason { Unlisted, Link, DotFolder };  // most pressing first
    PathString path;
    Reason reason;
};

class RunUser {
public:
    virtual ~RunUser() = default;

    // A question about `path`. Any answer but Yes to a go-on question stops the run.
    virtual Answer Ask(Question question, const PathString& path) = 0;

    // Gives the user a turn; true once the user has asked to stop.
    virtual bool Cancelled() = 0;

    // The same, between the blocks of a file: asked thousands of times a
    // second, so it may give the user a turn only now and then, as long as
    // no turn is more than a moment away.
    virtual bool CancelledDuringFile() = 0;

    virtual void ShowFile(const PathString& path) = 0;
    virtual void ShowProgress(std::uint64_t done, std::uint64_t size) = 0;

    // Called once at the end of a run that passed over anything.
    virtual void ReportPassedOver(const std::vector<PassedOver>& items) = 0;
};

#pragma once
// Finishing a file that a run left part transformed, from its journal record.
#include "engine/contents.h"
#include "engine/journal.h"

enum class Recovery {
    Completed,  // the file is whole: transformed and renamed, or put back as it was
    Missing,    // neither the file nor its transformed form is there any more
    Changed,    // the file is not the one the record describes
    Torn,       // a sector of the stretch in flight is neither as it was nor transformed
    Failed,     // a read, write or rename failed; the record stays for another try
};

// Completes the pass that `record` describes, under `keystream` (whose key
// the caller has matched with the record's fingerprint), and clears the
// record unless it failed. `user` keeps its turns meanwhile. Torn, Missing and Changed change nothing in the
// file; their records are cleared, as nothing can be done with them.
Recovery RecoverFile(FileSystem& fileSystem, JournalStore& store, const Keystream& keystream, JournalRecord record,
                     RunUser& user);

// True when the run that left `record` had finished the file: it is gone
// from its old name and stands under its new one. Nothing is left to do, and
// nobody need be asked.
bool FinishedAlready(FileSystem& fileSystem, const JournalRecord& record);

#pragma once
// The files of one command run, as the shell carries it out: every selected
// path in turn under g_Key, through g_pBuffer, on the calling thread, with
// questions in message boxes and the progress window showing each file.
#include <memory>
#include <string>

#include "crypto/sha1.h"

class FileRun {
public:
    virtual ~FileRun() = default;
    // Offers to finish the files that earlier runs left part transformed.
    // Before the first path; 0 to stop the run.
    virtual int RecoverUnfinished() = 0;
    // One selected path, a file or a folder's tree. 1 to go on with the next
    // selected path, 0 to stop the run.
    virtual int WalkPath(const std::wstring& path) = 0;
    // Ends the run, `stopped` early or not: what is left to ask about, then
    // the summary of what was passed over.
    virtual void Finish(bool stopped) = 0;
};

// Encrypt when `encrypt` is non-zero, else Decrypt. Each file in hand has a
// journal record, which carries `fingerprint` (the stored check value) and
// never the key.
std::unique_ptr<FileRun> StartFileRun(int encrypt, const KeyDigest& fingerprint);

// Where the journal records go: %LOCALAPPDATA%\Veilfold\Journal unless a
// test has named another folder.
void SetJournalFolder(const std::wstring& folder);

// Runs without a journal, for measuring what the journal costs; never for use.
void SetJournalOff(bool off);

// A run of its own over one selected path, or one path taken for a file;
// each returns as FileRun::WalkPath.
int WalkPath(const wchar_t* path, int encrypt);
int TransformFile(const wchar_t* path, int encrypt);

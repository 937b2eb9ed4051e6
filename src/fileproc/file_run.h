#pragma once
// The files of one command run, as the shell carries it out: every selected
// path in turn under g_Key, through g_pBuffer, on the calling thread, with
// questions in message boxes and the progress window showing each file.
#include <memory>
#include <string>

class FileRun {
public:
    virtual ~FileRun() = default;
    // One selected path, a file or a folder's tree. 1 to go on with the next
    // selected path, 0 to stop the run.
    virtual int WalkPath(const std::wstring& path) = 0;
    // Ends the run, `stopped` early or not: what is left to ask about, then
    // the summary of what was passed over.
    virtual void Finish(bool stopped) = 0;
};

// Encrypt when `encrypt` is non-zero, else Decrypt.
std::unique_ptr<FileRun> StartFileRun(int encrypt);

// A run of its own over one selected path, or one path taken for a file;
// each returns as FileRun::WalkPath.
int WalkPath(const wchar_t* path, int encrypt);
int TransformFile(const wchar_t* path, int encrypt);

// Line-oriented text files. Only the run-files routines open, close and erase them.
#pragma once

#include <cstddef>
#include <string>

namespace zt {

struct textfile {
    textfile() = default;
    // the one owner of its descriptor
    textfile(const textfile&) = delete;
    textfile& operator=(const textfile&) = delete;

    std::string name;
    bool isopen = false;
    bool writing = false;
    // An output held back: its text is kept here until the file may be created.
    bool held = false;
    std::string heldtext;
    // Reading: the whole file, and where its next line starts.
    std::string contents;
    size_t next = 0;
    // Writing: the file's descriptor and the text not yet handed to it.
    int fd = -1;
    std::string pending;
    // The platform's error number of a write or close that failed, kept after closing.
    int error = 0;
};

// false when the file cannot be opened or read (any file open in f is closed first). Only
// the run files' openforreading calls it, which notes the file as one of the run's inputs
// first.
bool openforreadingunnoted(textfile& f, const std::string& name);
// A file that cannot be created or written ends the program with the platform's message
// and this exit status (no report block).
constexpr int platformfailurestatus = 2;
// Creates the file, or empties an earlier one of that name; a file that cannot be created
// ends the program as above. The text goes to a file of this name alone: a name that is
// a link, or one of several names of a file, is replaced by a new file rather than
// written through, so that no other file is ever changed under it.
void openforwriting(textfile& f, const std::string& name);
// Like openforwriting, but nothing reaches the disk until releasefile: the text written
// meanwhile is kept, and a file closed while held is never created.
void holdforwriting(textfile& f, const std::string& name);
// Creates the held file and writes the text kept for it to the disk.
void releasefile(textfile& f);
// One line without its line end; false at end of file or on a read failure.
bool readfileline(textfile& f, std::string& line);
bool atendoffile(textfile& f);
void rewindfile(textfile& f);
void writefiletext(textfile& f, const std::string& text);
void flushfile(textfile& f);
// false when closing failed: the text could not all be written (f.error says why).
bool closetextfile(textfile& f);
// The platform's message for a file that could not be written, on standard error.
void reportfilefailure(const std::string& name, int error);
// false when erasing failed. Erasing removes the name only, never what a link leads to.
bool erasefilenamed(const std::string& name);
bool fileexists(const std::string& name);
// Both names exist and are one file (a link, or another spelling on a file system that
// ignores case).
bool samefile(const std::string& a, const std::string& b);

}  // namespace zt

// Line-oriented text files. Only the run-files routines open, close and erase them.
#pragma once

#include <fstream>
#include <string>

namespace zt {

struct textfile {
    std::string name;
    std::ifstream in;
    std::ofstream out;
    bool isopen = false;
    bool writing = false;
    // An output held back: its text is kept here until the file may be created.
    bool held = false;
    std::string heldtext;
};

// false when the file cannot be opened (any file open in f is closed first). Only the run
// files' openforreading calls it, which notes the file as one of the run's inputs first.
bool openforreadingunnoted(textfile& f, const std::string& name);
// A file that cannot be created or written ends the program with the platform's message
// and this exit status (no report block).
constexpr int platformfailurestatus = 2;
// Creates or overwrites; a file that cannot be created ends the program as above.
void openforwriting(textfile& f, const std::string& name);
// Like openforwriting, but nothing reaches the disk until releasefile: the text written
// meanwhile is kept, and a file closed while held is never created.
void holdforwriting(textfile& f, const std::string& name);
// Creates the held file and writes the text kept for it.
void releasefile(textfile& f);
// One line without its line end; false at end of file or on a read failure.
bool readfileline(textfile& f, std::string& line);
bool atendoffile(textfile& f);
void rewindfile(textfile& f);
void writefiletext(textfile& f, const std::string& text);
void flushfile(textfile& f);
// false when closing failed.
bool closetextfile(textfile& f);
// false when erasing failed.
bool erasefilenamed(const std::string& name);
bool fileexists(const std::string& name);
// Both names exist and are one file (a link, or another spelling on a file system that
// ignores case).
bool samefile(const std::string& a, const std::string& b);

}  // namespace zt

// Run files: opening input files by prefix and suffix, creating the output files of a
// run, and closing every channel at the end (side files that received nothing are erased).
#pragma once

#include <string>
#include <vector>

#include "runtime/textfile.h"
#include "runtime/types.h"

namespace zt {

// A file the run reads, with the words its messages use for it ("script info", ...).
struct runinput {
    std::string name;
    std::string description;
};

struct runfilestate {
    textfile datafile;           // the one shared input file (script, a-x file, ...)
    std::string curfilename;
    std::string scriptfilename;
    str22 datafilenamesuffix;
    // A file the run writes must never be one it reads, under whatever name: the run
    // notes both kinds as their names become known.
    std::vector<runinput> inputs;
    std::vector<std::string> outputs;  // created, or held
    bool holding = false;              // outputs opened now are held until releaseoutputs
    // The run is to open its log and has not yet: an end now leaves no earlier run's log.
    bool logtocome = false;
    // An output could not be written when it was closed: the run ends with the platform's
    // status.
    bool writefailed = false;
};
extern runfilestate runfiles;
void resetrunfiles();

void promptdatafile(const std::string& prefix, str22& suffix, const std::string& description,
                    std::string& filename, textfile& f);
void openoutfile(const std::string& prefix, const str22& suffix, textfile& f, std::string& name);
// A calculation run's start: its script file (asking for the suffix when the preferences
// gave none), then its side output files.
void openscriptfile();
void opensidefiles();
// The files of a refinement run whose file suffix is given.
void startfitfiles(const str22& ztdssuffix);

// The names of the files a calculation run writes: the log, and the side files of the
// script suffix sfx (none while it is empty).
std::vector<std::string> runoutputnames(const str22& sfx);
// The log and the report, details and csv files of a refinement of file suffix sfx.
std::vector<std::string> fitoutputnames(const str22& sfx);

// Notes a file the run reads or will read. Ends the run when it is one of the outputs
// created or held so far, by name or as another name of the same file (a link, or
// another spelling on a file system that ignores case). An empty name names no file.
void noteinput(const std::string& routine, const std::string& name, const std::string& description);
// Every file the run reads is opened here, and noted first, so that no reader can be left
// out of the rule above. false when the file cannot be opened.
bool openforreading(textfile& f, const std::string& name, const std::string& description,
                    const std::string& routine);
// Ends the run when one of these outputs is one of the inputs noted so far; outputs
// still held are then never created, so that nothing is written.
void refuseclashes(const std::string& routine, const std::vector<std::string>& outputs);
// Outputs opened from now on are held, so that an input whose name is known only later
// (a suffix typed at a prompt) is checked before any of them reaches the disk. A signal
// that ends the run meanwhile removes the names of the held outputs, so that no earlier
// run's file stays behind as this run's; removing a name writes through no link.
void holdoutputs();
// Creates the held outputs with what was written to them; new outputs are created at once.
void releaseoutputs();
// A run that will open its log: until it does, any end of the run removes an earlier
// run's zt-log.txt (unless it is one of the inputs) rather than leave it as this run's.
void expectlog();
// From now on a signal does so too: the inputs known before the log are noted.
void guardexpectedlog();
void closefile(textfile& f, bool keep, const std::string& name);
void closeall();
// After a file could not be created or written: closes every channel as closeall does,
// silently (the platform's message was the report), and erases the side files that
// received nothing.
void abandonfiles();

}  // namespace zt

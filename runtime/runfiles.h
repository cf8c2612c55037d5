// Run files: opening input files by prefix and suffix, creating the output files of a
// run, and closing every channel at the end (side files that received nothing are erased).
#pragma once

#include <string>
#include <vector>

#include "runtime/textfile.h"
#include "runtime/types.h"

namespace zt {

struct runfilestate {
    textfile datafile;           // the one shared input file (script, a-x file, ...)
    std::string curfilename;
    std::string scriptfilename;
    str22 datafilenamesuffix;
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
// Ends the run, before the input file is opened, when it is one of the outputs.
void refuseoutputasinput(const std::string& routine, const std::string& inputname, const std::string& description,
                         const std::vector<std::string>& outputs);
void closefile(textfile& f, bool keep, const std::string& name);
void closeall();

}  // namespace zt

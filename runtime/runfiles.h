// Run files: opening input files by prefix and suffix, creating the output files of a
// run, and closing every channel at the end (side files that received nothing are erased).
#pragma once

#include <string>

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
// The output files of a calculation run (after the script file), or of a refinement run
// whose file suffix is given.
void startcalcfiles();
void startfitfiles(const str22& ztdssuffix);
void closefile(textfile& f, bool keep, const std::string& name);
void closeall();

}  // namespace zt

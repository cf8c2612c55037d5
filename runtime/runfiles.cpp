#include "runtime/runfiles.h"

#include <algorithm>
#include <array>
#include <vector>

#include "runtime/channels.h"
#include "runtime/console.h"
#include "runtime/interrupts.h"
#include "runtime/numberformat.h"
#include "runtime/prefs.h"
#include "runtime/prompts.h"
#include "runtime/reporter.h"
#include "runtime/runopen.h"
#include "runtime/words.h"

namespace zt {

runfilestate runfiles;

void resetrunfiles()
{
    closetextfile(runfiles.datafile);
    runfiles.datafile.name.clear();
    runfiles.curfilename.clear();
    runfiles.scriptfilename.clear();
    runfiles.datafilenamesuffix.clear();
    runfiles.inputs.clear();
    runfiles.outputs.clear();
    runfiles.holding = false;
    runfiles.logtocome = false;
    runfiles.writefailed = false;
}

namespace {

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

// Output names are cut to 22 characters after the prefix; from this suffix length on,
// the cut makes "-ic" and "-it" (and more) the same file.
constexpr size_t clashingsuffixlength = 20;

struct sidefile {
    int bit;
    const char* suffix;
    const char* message;
    int16_t after;
};

const std::array<sidefile, 7> sidefiles{{
    {chsummary, "-o.txt", "summary output in the file, ", 1},
    {chql, "-ql.txt", "other (eg quillet) output in the file, ", 1},
    {chit, "-it.txt", "a-x info in the file, ", 1},
    {chic, "-ic.txt", "details of calc results in the file, ", 1},
    {chcsv, ".csv", "info in csv format in the files, ", 0},
    {chcsv2, "-2.csv", " and ", 1},
    {chsvg, ".svg", "graphics info in the files, ", 0},
}};

const char* const logprefix = "zt-log";
const char* const logsuffix = ".txt";
const std::string logname = std::string(logprefix) + logsuffix;

// The refinement's report, details and csv files, in the order of opening.
struct fitfile {
    int bit;
    const char* prefix;
    const char* suffix;
    const char* message;
};
const std::array<fitfile, 3> fitfiles{{
    {chsummary, "ds-o", ".txt", nullptr},
    {chic, "ds-ic", ".txt", "intermediate/auxiliary calc results are in the file, "},
    {chcsv, "ds-", ".csv", "dataset in csv format in the file, "},
}};

bool samefileas(const std::string& output, const runinput& input)
{
    return output == input.name || samefile(output, input.name);
}

bool isinput(const std::string& output)
{
    for (const runinput& input : runfiles.inputs)
        if (samefileas(output, input)) return true;
    return false;
}

// The channels whose files are held.
std::vector<int> heldbits()
{
    std::vector<int> bits;
    for (int bit = chsummary; bit <= chsvg; ++bit) {
        if ((channels.outchannels & (1 << bit)) != 0 && channels.files[static_cast<size_t>(bit)].held) bits.push_back(bit);
    }
    return bits;
}

// A held output that may not be created is closed as if it had never been opened.
void dropheld(int bit)
{
    textfile& f = channels.files[static_cast<size_t>(bit)];
    unguardname(f.name);
    closetextfile(f);
    f.name.clear();
    channels.outchannels &= ~(1 << bit);
}

void dropallheld()
{
    for (int bit : heldbits()) dropheld(bit);
}

void refuseclash(const std::string& routine, const std::string& output, const runinput& input)
{
    if (!samefileas(output, input)) return;
    dropallheld();
    const std::string start = "the " + input.description + " file " + quoted(input.name);
    if (output == input.name) bombout(routine, start + " is one of the files this run writes: use another suffix", 0);
    bombout(routine,
            start + " is one of the files this run writes, through its other name " + quoted(output) +
                ": remove that name or use another suffix",
            0);
}

// Opens one output file of the run and attaches it to its channel.
std::string openchannelfile(const std::string& prefix, const std::string& suffix, int bit)
{
    std::string name;
    openoutfile(prefix, suffix, channels.files[static_cast<size_t>(bit)], name);
    channels.outchannels |= 1 << bit;
    channels.fileused[static_cast<size_t>(bit)] = false;
    return name;
}

}  // namespace

void openscriptfile()
{
    putstr(1, runopening.progname + "  running at " + runopening.datetimestamp, 1, 12);

    runfiles.datafilenamesuffix = prefs.scriptsuffix;
    std::string name;
    promptdatafile("zt-", runfiles.datafilenamesuffix, "script info", name, runfiles.datafile);
    runfiles.curfilename = name;
    runfiles.scriptfilename = name;
}

void opensidefiles()
{
    std::string name;
    const str22& sfx = runfiles.datafilenamesuffix;
    if (sfx.size() >= clashingsuffixlength)
        bombout("startout", "script suffix " + quoted(sfx) + " too long: at most " +
                                wholetostr(clashingsuffixlength - 1) +
                                " characters, as output file names are cut to 22 after \"zt-\"",
                0);

    for (const sidefile& s : sidefiles) {
        name = openchannelfile("zt-", sfx + s.suffix, s.bit);
        if (s.bit == chsummary) runfiles.curfilename = name;
        putstr(0, s.message + quoted(name), s.after, 9);
    }
    putstr(2, "these may not all be populated, depending on the calcs;", 1, 9);
    putstr(0, "zeltram should delete empty files at the end of each run", 1, 9);
}

void startfitfiles(const str22& ztdssuffix)
{
    std::string name;
    runfiles.datafilenamesuffix = ztdssuffix;
    promptdatafile("ds-scr", runfiles.datafilenamesuffix, "script info", name, runfiles.datafile);
    runfiles.scriptfilename = name;
    runfiles.datafilenamesuffix = ztdssuffix;
    const str22& sfx = runfiles.datafilenamesuffix;

    for (const fitfile& file : fitfiles) {
        name = openchannelfile(file.prefix, sfx + file.suffix, file.bit);
        if (file.bit == chsummary) runfiles.curfilename = name;
        if (file.message != nullptr) putstr(0, file.message + quoted(name), 1, 9);
    }

    str22 scriptsuffix = prefs.scriptsuffix;
    promptdatafile("zt-", scriptsuffix, "script info", name, runfiles.datafile);
    runfiles.curfilename = name;
    runfiles.scriptfilename = name;

    putstr(1, "running FITSET from within " + runopening.progname, 1, 13);
    putstr(0, "at " + runopening.datetimestamp, 1, 13);
    if (sfx.empty()) bombout("startout", "blank datafilenamesuffix?", 0);
}

void promptdatafile(const std::string& prefix, str22& suffix, const std::string& description,
                    std::string& filename, textfile& f)
{
    if (suffix.empty()) {
        const std::string question = description.empty()
                                         ? std::string("suffix to name for datafile")
                                         : "suffix to name for " + description + " datafile";
        promptword(question, suffix);
    }
    if (suffix.empty()) bombout("promptdatafile", "expecting a suffix for data filename", 0);
    const std::string name = prefix + suffix + ".txt";
    if (!openforreading(f, name, description, "promptdatafile")) {
        putstr(1, "cannot locate file " + quoted(name), 1, 13);
        bombout("promptdatafile", "datafile needed", 0);
    }
    filename = name;
}

std::vector<std::string> runoutputnames(const str22& sfx)
{
    std::vector<std::string> names{logprefix + trunc22(logsuffix)};
    if (!sfx.empty()) {
        for (const sidefile& s : sidefiles) names.push_back("zt-" + trunc22(sfx + s.suffix));
    }
    return names;
}

std::vector<std::string> fitoutputnames(const str22& sfx)
{
    std::vector<std::string> names{logprefix + trunc22(logsuffix)};
    for (const fitfile& file : fitfiles) names.push_back(file.prefix + trunc22(sfx + file.suffix));
    return names;
}

void noteinput(const std::string& routine, const std::string& name, const std::string& description)
{
    if (name.empty()) return;
    // a signal must never remove it, even while the run is refusing it
    unguardname(name);
    const runinput input{name, description};
    const auto noted = [&](const runinput& i) { return i.name == name; };
    if (std::none_of(runfiles.inputs.begin(), runfiles.inputs.end(), noted)) runfiles.inputs.push_back(input);
    for (const std::string& output : runfiles.outputs) refuseclash(routine, output, input);
}

bool openforreading(textfile& f, const std::string& name, const std::string& description,
                    const std::string& routine)
{
    noteinput(routine, name, description);
    return openforreadingunnoted(f, name);
}

void refuseclashes(const std::string& routine, const std::vector<std::string>& outputs)
{
    for (const std::string& output : outputs)
        for (const runinput& input : runfiles.inputs) refuseclash(routine, output, input);
}

void holdoutputs() { runfiles.holding = true; }

void releaseoutputs()
{
    runfiles.holding = false;
    for (int bit : heldbits()) {
        textfile& f = channels.files[static_cast<size_t>(bit)];
        refuseclashes("startout", {f.name});
        releasefile(f);
        unguardname(f.name);
    }
}

void openoutfile(const std::string& prefix, const str22& suffix, textfile& f, std::string& name)
{
    name = prefix + trunc22(suffix);
    refuseclashes("openoutfile", {name});
    if (std::find(runfiles.outputs.begin(), runfiles.outputs.end(), name) == runfiles.outputs.end())
        runfiles.outputs.push_back(name);
    if (name == logname) runfiles.logtocome = false;
    if (runfiles.holding) {
        holdforwriting(f, name);
        guardheldname(name);
    } else {
        openforwriting(f, name);
        unguardname(name);
    }
}

void expectlog() { runfiles.logtocome = true; }

void guardexpectedlog()
{
    if (runfiles.logtocome) guardheldname(logname);
}

namespace {

// quiet: after a platform failure, whose message was the report.
void closeandkeep(textfile& f, bool keep, const std::string& name, bool quiet)
{
    const std::string filename = f.name;
    if (!closetextfile(f) && !quiet) {
        writeconsole("problem closing " + name + "\n");
        // a file that could not be written is a failure of the run, whatever else ended it
        reportfilefailure(filename, f.error);
        runfiles.writefailed = true;
    }
    if (!keep && !filename.empty() && !erasefilenamed(filename) && !quiet)
        writeconsole("problem erasing  " + name + "\n");
}

// Every open channel file closed, in bit order; side files that received nothing erased.
void closechannels(bool quiet)
{
    for (int bit = chsummary; bit <= chsvg; ++bit) {
        if ((channels.outchannels & (1 << bit)) == 0) continue;
        const size_t b = static_cast<size_t>(bit);
        const bool keep = bit == chsummary || bit == chlog || channels.fileused[b];
        closeandkeep(channels.files[b], keep, channelhandlename(bit), quiet);
    }
    channels.outchannels = 0;
}

// The log was never opened: an earlier run's is not left as this run's. One that is an
// input, or another name of one, is the user's.
void removeearlierlog()
{
    if (!runfiles.logtocome) return;
    runfiles.logtocome = false;
    unguardname(logname);
    if (!isinput(logname)) erasefilenamed(logname);
}

// An output held back from an input is never created, nor erased; the others are created
// with their text.
void releaseordropheld()
{
    runfiles.holding = false;
    for (int bit : heldbits()) {
        textfile& f = channels.files[static_cast<size_t>(bit)];
        if (isinput(f.name)) {
            dropheld(bit);
        } else {
            releasefile(f);
            unguardname(f.name);
        }
    }
    unguardheld();
}

}  // namespace

void closefile(textfile& f, bool keep, const std::string& name) { closeandkeep(f, keep, name, false); }

void closeall()
{
    writeconsole("\n");
    releaseordropheld();
    removeearlierlog();
    closechannels(false);
}

void abandonfiles()
{
    // the platform's message is the report; a file that fails again has nothing to add
    try {
        releaseordropheld();
    } catch (const RunEnded&) {
        dropallheld();
        unguardheld();
    }
    // a file whose creation failed is not open, so not erased: its name may be the user's
    runfiles.logtocome = false;
    for (int bit = chsummary; bit <= chsvg; ++bit) {
        if (!channels.files[static_cast<size_t>(bit)].isopen) channels.outchannels &= ~(1 << bit);
    }
    closechannels(true);
}

}  // namespace zt

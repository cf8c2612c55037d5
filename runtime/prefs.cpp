#include "runtime/prefs.h"

#include "runtime/bytes.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/numberread.h"
#include "runtime/prompts.h"
#include "runtime/records/runsettings.h"
#include "runtime/reporter.h"
#include "runtime/runfiles.h"
#include "runtime/textfile.h"

namespace zt {

prefsstate prefs;

void resetprefs() { prefs = prefsstate{}; }

void switchword(const stringlist& words, int16_t count, int32_t& sw, int16_t& used)
{
    sw = 0;
    used = 1;
    if (count <= 1) return;
    const str22& w = words[2];
    if (w == "yes" || w == "on") {
        used = 2;
    } else if (w == "ask") {
        sw = 2;
        used = 2;
    } else if (w == "no" || w == "none") {
        sw = 1;
        used = 2;
    }
}

void suffixword(const stringlist& words, int16_t count, int32_t sw, str22& suffix)
{
    if (sw != 0) return;
    if (count <= 1)
        suffix.clear();
    else if (words[2] != "yes")
        suffix = words[2];
    else
        suffix = count >= 3 ? words[3] : str22();
}

namespace {

void setprefsdefaults()
{
    channels.dontwrap = true;
    channels.pagewidth = 80;
    resetprefs();
    settings.autoexit = false;
    settings.axfile.clear();
    settings.axnamechecks = true;
    settings.nscriptproblems = 0;
    settings.nmissingscripts = 0;
}

// The value of a keyword given as an integer word 2; false leaves the setting alone.
bool integervalue(const stringlist& words, int16_t count, int16_t& value)
{
    if (count < 2 || wordtype(words[2]) != wkinteger) return false;
    std::string errtext;
    return readint(words[2], value, errtext);
}

void applyprefsline(const stringlist& words, int16_t count)
{
    int32_t sw = 0;
    int16_t used = 0;
    switchword(words, count, sw, used);
    const str22& keyword = words[1];
    int16_t value = 0;
    if (keyword == "dontwrap") {
        channels.dontwrap = sw == 0;
    } else if (keyword == "monitorheap") {
        prefs.monitorheap = sw == 0;
    } else if (keyword == "dataset" || keyword == "dsfile") {
        if (sw == 0) prefs.dssuffix = count > used ? words[used + 1] : str22();
    } else if (keyword == "scriptfile" || keyword == "datafile") {
        suffixword(words, count, sw, prefs.scriptsuffix);
    } else if (keyword == "setpagewidth") {
        if (integervalue(words, count, value)) channels.pagewidth = value < 80 ? 80 : value > 249 ? 250 : value;
    } else if (keyword == "calcmode") {
        if (integervalue(words, count, value)) prefs.prefscalcmode = value;
    } else {
        putstr(1, keyword + " unrecognised", 1, 13);
        settings.nscriptproblems = static_cast<int16_t>(settings.nscriptproblems + 1);
    }
}

// One numbered note through the re-flowing writer; the lines end at the first empty one.

void checkmandatory()
{
    if (prefs.dssuffix.empty() && prefs.prefscalcmode != 9)
        writenote({nextnotenumber() +
                       ") new in zt350, the \"dsfile\" script is mandatory in the prefsfile, followed by the suffix ",
                   "to the name of the dsfile (i.e. the dataset). So, if the dsfile is called \"zt-ds99.txt\", "
                   "the script to use is \"dsfile 99\""});
    if (prefs.scriptsuffix.empty())
        writenote({nextnotenumber() +
                       ") new in zt350, the \"scriptfile\" script is mandatory in the prefsfile, followed by the "
                       "suffix ",
                   "to the name of the script file. So, if the scriptfile is called \"zt-AFM\", the script to use "
                   "is \"scriptfile AFM\"",
                   "(If you were using one folder/directory to run several different scriptfiles via prompts, it "
                   "is better to run ",
                   "them in separate folders/directories)"});
}

}  // namespace

void readkeywordfile(textfile& f, const std::function<void(const stringlist&, int16_t)>& apply)
{
    stringlist words;
    int16_t count = 0;
    while (!atendoffile(f)) {
        readwords(f, words, count, true);
        if (count == 0) continue;
        if (words[1][0] == '*') break;
        apply(words, count);
    }
    closetextfile(f);
}

void readprefs(const std::string& /*label*/)
{
    setprefsdefaults();
    textfile f;
    if (!openforreading(f, prefsfilename, "prefs info", "readprefs")) {
        textfile fitprefs;
        if (openforreading(fitprefs, dsprefsfilename, "prefs info", "readprefs")) {
            closetextfile(fitprefs);
            return;
        }
        putstr(1, std::string(2, bulletbyte) + " no prefs file \"" + prefsfilename + "\"", 2, 9);
        putstr(0, "on the Mac, if you double-clicked the zt351 icon then that won't work;", 1, 9);
        putstr(0, "try reading the \"getting started\" info on the ZELTRAM website.", 1, 9);
        bombout("readprefs", std::string("can't open \"") + prefsfilename + "\"", 0);
    }

    readkeywordfile(f, applyprefsline);
    prefs.fromfile = true;
}

void checkprefs()
{
    if (!prefs.fromfile) return;
    if (settings.nscriptproblems > 0) {
        putstr(0, "there are script problems in the prefs file listed immediately above:", 1, 9);
        if (query("exit, and delete unrecognised scripts from the prefs file")) killrun();
    }

    checkmandatory();
    problemsummary("add mandatory scripts to the prefsfile");
}

void writenote(std::initializer_list<std::string> lines)
{
    size_t i = 1;
    for (const std::string& line : lines) channels.msglines[i++] = line;
    channels.msglines[i] = "";
    formattext(channels.msglines);
}

std::string nextnotenumber()
{
    settings.nmissingscripts = static_cast<int16_t>(settings.nmissingscripts + 1);
    return wholetostr(settings.nmissingscripts);
}

void problemsummary(const std::string& missingmessage)
{
    if (settings.nmissingscripts == 0) {
        if (settings.nscriptproblems > 0) {
            putstr(1, "there are script problems listed immediately above:", 1, 13);
            if (query("exit, and correct the scriptfile")) killrun();
        }
        return;
    }
    if (settings.nscriptproblems > 0)
        writenote({settings.nmissingscripts > 1
                       ? "in addition to the absence of the indicated mandatory scripts, there are other script "
                         "problems listed above:"
                       : "in addition to the absence of the indicated mandatory script, there are other script "
                         "problems listed above:"});
    bombout("reading scripts", missingmessage, 0);
}

}  // namespace zt

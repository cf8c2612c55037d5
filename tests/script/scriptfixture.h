// A fixture that reads script texts through the script reader in a temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "runtime/records/equilibriumstate.h"
#include "phasediagram/services.h"
#include "reactions/services.h"
#include "runtime/channels.h"
#include "runtime/prefs.h"
#include "runtime/runfiles.h"
#include "runtime/runstate.h"
#include "runtime/textfile.h"
#include "script/scriptline.h"
#include "script/scriptreader.h"
#include "script/settings.h"
#include "support/testsupport.h"
#include "thermo/dataset.h"

namespace zt {

// The keywords every script of a mode-1 run needs.
inline const char* const mandatorylines = "axfile tc\nwith g bi\ndiagramPT 1 10 400 700\npseudosection no\n";

class ScriptTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetchannels();
        resetprefs();
        resetrunfiles();
        resetrunstate();
        resetscriptinfo();
        settings = runsettings{};
        setinitialsettings();
        setscriptdefaults();
        ds.oldds = false;
        pd = phasediagramstate{};
        reactions.var = 1;
        channels.outchannels = 1 << chconsole;
        mode(1);
        run.runcount = 1;
    }
    void TearDown() override
    {
        closetextfile(runfiles.datafile);
        resetchannels();
    }
    // The run state and the preferences' choice of calculation mode (9 for the refinement).
    void mode(int32_t calcmode, int16_t prefsmode = -2)
    {
        run.calcmode = calcmode;
        prefs.prefscalcmode = prefsmode != -2 ? prefsmode : static_cast<int16_t>(calcmode == 4 ? 9 : calcmode);
    }
    // Reads the script text as the run's script file; returns the exit code of a run that
    // ended, -1 when the reading returned. The console transcript is left in output.
    int read(const std::string& script, const std::string& answers = "")
    {
        folder.writefile("zt-t.txt", script);
        openforreadingunnoted(runfiles.datafile, "zt-t.txt");
        runfiles.datafilenamesuffix = "t";
        channels.outchannels = 1 << chconsole;  // a report of an earlier reading closed it
        testing::consolecapture console(answers);
        const int code = testing::exitcodeof([] { readcontrol(); });
        output = console.output();
        return code;
    }
    bool said(const std::string& text) const { return output.find(text) != std::string::npos; }

    testing::tempfolder folder;
    std::string output;
};

}  // namespace zt

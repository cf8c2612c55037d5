#include "runtime/reporter.h"

#include <algorithm>

#include "runtime/capacities.h"
#include "runtime/channels.h"
#include "runtime/console.h"
#include "runtime/records/runsettings.h"
#include "runtime/runfiles.h"
#include "runtime/textfile.h"
#include "runtime/types.h"
#include "runtime/words.h"

namespace zt {

namespace {

std::string cut255(const std::string& text) {
    return text.size() <= static_cast<size_t>(maxtextlen) ? text : text.substr(0, maxtextlen);
}

// Straight to the channel, past putstr: no console cut and no used-flag.
void writeblock(int bit, const std::string& block) {
    if ((channels.outchannels >> bit & 1) == 0) return;
    if (bit == chconsole) {
        writeconsole(block);
    } else {
        textfile& f = channels.files[static_cast<size_t>(bit)];
        if (f.isopen) writefiletext(f, block);
    }
}

}  // namespace

void bombout(const std::string& routine, const std::string& message, int32_t flag) {
    std::string block = "\n-- run bombed in " + cut255(routine) + " : " + cut255(message) + "\n\n";
    if (flag == 1) {
        block +=
            "\n===This shouldn't have happened...===\n"
            "please report this to the maintainers of this program\n"
            "with full details, relevant files etc etc\n\n";
    }
    for (int bit : {chconsole, chsummary, chlog, chic}) writeblock(bit, block);
    closeall();
    if (!settings.autoexit) {
        writeconsole("\nhit return to exit program\n");
        std::string ignored;
        readconsoleline(ignored);  // end of input just ends the pause
    }
    flushconsole();
    throw RunEnded{1};
}

void killrun() {
    const std::string block = "\n-- run killed --\n";
    for (int bit : {chconsole, chsummary, chlog}) writeblock(bit, block);
    closeall();
    flushconsole();
    throw RunEnded{0};
}

bool iskill(const std::string& answer) {
    if (answer.size() < 4) return false;
    return trimblanks(answer) == "kill";
}

}  // namespace zt

#include "runtime/runopen.h"

#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/prefs.h"
#include "runtime/runfiles.h"

namespace zt {

runopenstate runopening;

namespace {

void computemacheps()
{
    real eps = 1;
    for (int i = 0; i < 100; ++i) {
        eps = eps * 0.5L;
        volatile real sum = 1 + eps;  // kept in memory: compare in extended precision
        if (sum == 1) break;
    }
    runopening.macheps = eps;
}

void fillordinals()
{
    runopening.ordinals[1] = "1st";
    runopening.ordinals[2] = "2nd";
    runopening.ordinals[3] = "3rd";
    for (int i = 4; i <= maxems; ++i) runopening.ordinals[static_cast<size_t>(i)] = (wholetostr(i) + "th").substr(0, 5);
}

}  // namespace

void openrun(const std::string& label)
{
    computemacheps();
    fillordinals();
    for (int i = 0; i <= 30; ++i) runopening.masks[static_cast<size_t>(i)] = static_cast<int32_t>(1u << i);

    runopening.progname = label;
    channels.outchannels = 1 << chconsole;
    putstr(1, label + " - by the zeltram developers", 1, 13);

    readprefs(label);
}

void openlog()
{
    std::string name;
    openoutfile("zt-log", ".txt", channels.files[chlog], name);
    runfiles.curfilename = name;
    channels.outchannels |= 1 << chlog;
    putstr(0, "[display/print with fixed width font (eg Monaco)]", 2, 8);
    putstr(0, "", 1, 9);

    channels.linebuf.clear();
    channels.linebuf2.clear();
    channels.linebuf3.clear();
    channels.linebuf4.clear();
    channels.fileused.fill(false);

    datestamp();
}

void datestamp()
{
    static const char* const daynames[] = {" on Sun ", " on Mon ", " on Tue ", " on Wed ",
                                           " on Thu ", " on Fri ", " on Sat "};
    static const char* const monthnames[] = {" Jan,", " Feb,", " Mar,", " Apr,", " May,", " Jun,",
                                             " Jul,", " Aug,", " Sep,", " Oct,", " Nov,", " Dec,"};
    const clockreading now = clocknow();
    runopening.starttime = now;

    std::string stamp = wholetostr(now.hour);
    stamp += now.minute < 10 ? ".0" : ".";
    stamp += wholetostr(now.minute);
    stamp += now.weekday >= 1 && now.weekday <= 7 ? daynames[now.weekday - 1] : "noday? ";
    stamp += wholetostr(now.day);
    stamp += now.month >= 1 && now.month <= 12 ? monthnames[now.month - 1] : "nomonth?";
    stamp += wholetostr(now.year);
    runopening.datetimestamp = stamp;
}

}  // namespace zt

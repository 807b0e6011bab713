// A filter run in a host's order.
#include "hostkit/hostkit_internal.h"

namespace {

void Record(HKRun* run, int16_t selector, int16_t result, int32_t calls) {
    if (run->stepCount < kHKMaxSteps)
        run->steps[run->stepCount++] = HKStep{selector, result, calls};
    if (run->result == 0) run->result = result;
}

bool Step(HKHost* host, HKEntryProc entry, int16_t selector, HKRun* run) {
    const int16_t result = HK_Call(host, entry, selector);
    Record(run, selector, result, 1);
    return result == noErr;
}

// Continue until the plug-in asks for no area; before each call the host
// writes back the last output and lends the newly requested areas.
bool ContinueLoop(HKHost* host, HKEntryProc entry, HKRun* run) {
    int32_t calls = 0;
    int16_t result = noErr;
    while (HK_AnyAreaRequested(host) && calls < host->options.maxContinues) {
        result = HK_Advance(host);
        if (result != noErr) break;
        ++calls;
        result = HK_Call(host, entry, filterSelectorContinue);
        if (result != noErr) break;
    }
    Record(run, filterSelectorContinue, result, calls);
    return result == noErr;
}

}  // namespace

void HK_RunFilter(HKHost* host, HKEntryProc entry, const HKRunPlan* plan, HKRun* run) {
    run->stepCount = 0;
    run->result = noErr;
    host->rowsFinal = 0;
    host->keptTop = host->keptBottom = host->keptBase = 0;  // the document as it is now
    int64_t begin = HK_Nanoseconds();
    HK_DiscardResult(host);  // the run starts from the document as it is
    host->hostNanoseconds += HK_Nanoseconds() - begin;
    if (plan->about && !Step(host, entry, filterSelectorAbout, run)) return;
    if (plan->parameters && !Step(host, entry, filterSelectorParameters, run)) return;
    if (!Step(host, entry, filterSelectorPrepare, run)) return;
    if (host->options.beforeStart != nullptr)
        host->options.beforeStart(host, host->options.beforeStartContext);
    const int16_t start = HK_Call(host, entry, filterSelectorStart);
    Record(run, filterSelectorStart, start, 1);
    bool filtered = false;
    if (start == noErr && ContinueLoop(host, entry, run)) {
        begin = HK_Nanoseconds();
        HK_WriteBackOutput(host);
        host->hostNanoseconds += HK_Nanoseconds() - begin;
        filtered = true;
    }
    // Finish follows a start that succeeded or was cancelled, also after a
    // failed continue, so the plug-in can always release what it holds.
    if (start == noErr || start == userCanceledErr) Step(host, entry, filterSelectorFinish, run);
    begin = HK_Nanoseconds();
    HK_ReleaseAreas(host);
    // Only a filter that ran to its end changes the document.
    if (filtered)
        HK_CommitResult(host);
    else
        HK_DiscardResult(host);
    host->hostNanoseconds += HK_Nanoseconds() - begin;
    if (filtered) HK_TellRowsFinal(host, host->image.height);
}

const char* HK_SelectorName(int16_t selector) {
    static const char* const kNames[] = {"about", "parameters", "prepare",
                                         "start", "continue",   "finish"};
    return selector >= 0 && selector <= filterSelectorFinish ? kNames[selector] : "selector";
}

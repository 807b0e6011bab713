// The handlers of the host's selectors.
#pragma once

void DoAbout();
void DoParameters();  // host/blocks.cpp
void DoPrepare();
void DoStart();
void DoContinue();
void DoFinish();

// Records the settings in the host's scripting descriptor.
void WriteScriptParameters();

// The handlers of the host's selectors.
#pragma once

void DoAbout();
void DoParameters();  // host/blocks.cpp
void DoPrepare();
void DoStart();
void DoContinue();
void DoFinish();

#pragma once
// The program entry: the application object, the four windows, the loop, the shutdown.
class TApplication;

// Creates the four windows in their fixed order: Form1, Fcfg, FAbout, FCredit.
void CreateForms(TApplication& application);

// Runs the whole program and returns its exit code.
int RunProgram();

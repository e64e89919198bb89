#pragma once

// Creates the application, runs the start-up sequence and the event loop.
int RunProgram(int argc, char** argv);

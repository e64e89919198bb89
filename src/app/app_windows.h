// Registers the program's windows with the window registry.
#pragma once

void RegisterProgramWindows();

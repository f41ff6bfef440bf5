// The module's start and end, as DllMain calls them: the plug-in's start-up
// (plugin/startup.h) and, at the end, what the devices still have to say
// before the log closes.
#pragma once

// Process attach with the module's full path; false fails the load.
bool ModuleAttach(const char* modulePath);

// Process detach: every export entered from now on returns at once; the
// busy spells not yet logged are, then the log's last line, and the devices
// let go of their events.
void ModuleDetach();

#pragma once

#include <string>

// What a headless command leaves on disk while it runs (its private working folder, the
// temporary files of its outputs) is removed when SIGINT or SIGTERM ends it.
namespace vellomir {

// Installs the handlers for SIGINT, SIGTERM and SIGHUP: they remove every registered path
// (files first, then folders, which must be empty by then) and end the process as the signal
// would have. Registering works without it; nothing is then removed on a signal.
void InstallSignalCleanup();

// Registers a path to remove on a signal; returns a slot for Forget, -1 when the table is full
// or the path too long (the path is then only cleaned by the next write of the same target).
int RemoveOnSignal(const std::string& path, bool folder = false);
void ForgetOnSignal(int slot);

}  // namespace vellomir

// The folders a storage file may be placed in: the running program's own
// folder, the system configuration folder and the per-user configuration
// folder. Each answer is read fresh from the process and its environment;
// nothing is cached. Thread-safe as long as no other thread changes the
// environment.
#pragma once

#include <QString>

// Full path of the running program's executable file: the application
// object's answer when one exists, else what /proc/self/exe links to.
// Empty when neither is available.
QString ApplicationFileName();

// Folder of the running program's executable, without a trailing "/".
QString ApplicationFolder();

// The system-wide configuration folder, "/etc".
QString SystemConfigFolder();

// The per-user configuration folder: $XDG_CONFIG_HOME when it is an absolute
// path, else $HOME/.config. Empty when neither variable gives one, so a file
// placed there resolves relative to the current folder.
QString UserConfigFolder();

// A comment written after a value in the configuration file ("Logging=TRUE
// ; note") is read as part of the value, so the setting is refused or stays
// off. The log names that as the likely cause.
#pragma once

// True when the value read for a key holds a ';'.
bool HasTrailingComment(const char* value);

// Writes the log line that names the trailing comment as the likely cause
// why the key's value was refused.
void LogTrailingComment(const char* key);

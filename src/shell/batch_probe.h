#pragma once

struct Session;
struct BatchNames;

// The command-line probe measurement; returns the process exit status.
int RunBatchProbe(Session &s, const BatchNames &names);

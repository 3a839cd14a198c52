// Process set-up done once, before the dialogue starts.

#pragma once

// Opens the null device on any closed standard descriptor, so the data file
// can never land on one and receive the tool's messages, and keeps a broken
// output pipe or a file-size limit from killing the run half-way: those
// failures then show as failed writes. Does nothing that can fail visibly.
void prepareProcess();

#pragma once

namespace mkstore {

// Creates the records table with its server columns on the PostgreSQL server that the settings
// file names; an existing table is never touched. Prints what happened; the tool's exit code.
int createTableOnServer(int argc, char** argv, const char* settingsFile);

}  // namespace mkstore

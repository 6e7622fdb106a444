// One print job, from the job data to the hand-off to the session agent.
#pragma once

class JobFileSet;

// Runs the job described by the CUPS backend arguments (argc 6 or 7).
// Registers in `files` every file it creates and erases those the session
// agent has taken over. Throws a plat::Exception on every failure.
void runJob(int argc, char** argv, JobFileSet& files);

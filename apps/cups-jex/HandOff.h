// The last step of a job: telling the receiving user's session agent where
// the manifest is.
#pragma once

#include <functional>
#include <sys/types.h>

// Connects to socketPath, checks that the listener runs as uid and sends
// the manifest path as a length-prefixed string, the only bytes ever sent.
// Connecting and sending together wait at most HandOffTimeout seconds.
// delivered() runs with the cancel signals blocked, together with the write
// that completes the message: from then on the files are the agent's.
// Throws JobError (StatusRetryJob when nobody listens or the agent is too
// slow, StatusFailed for a listener of another uid) or the errors of the
// socket calls.
void handOff(const char* socketPath, uid_t uid, const char* manifestPath,
             const std::function<void()>& delivered);

// The queue's device URI: where a job goes and in which format.
//
//   "jex:" "/" format "/" uid "@" name [ "/" anything ]
//
// Fields are raw bytes (no escapes, no percent decoding). format is the
// output format ("ZRLE", "PS" or "PDF" are what the job run accepts; any
// text passes here), uid the receiving user's numeric uid (decimal digits
// only, 1 to 4294967294: a job is never delivered as root), name the agent
// endpoint to notify (may be empty).
#pragma once

#include <plat/String.h>

#include <cstdint>

// Parses uri. Returns false, changing no output, when uri is null, lacks
// "jex:/", lacks the "/" after the format or the "@" after it, or when the
// uid is not as above. Each output may be null when the
// caller does not want that field; an output string already holding the
// same text is left untouched. Never throws for bad input (allocation
// failure propagates).
bool parseDeviceUri(const char* uri, plat::String* format, uint32_t* uid,
                    plat::String* name);

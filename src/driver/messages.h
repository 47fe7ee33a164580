#ifndef VELKOR_DRIVER_MESSAGES_H
#define VELKOR_DRIVER_MESSAGES_H

#include <atomic>
#include <cstdio>
#include <ctime>

#include "config/message_text.h"

// Progress clock, in calendar seconds; the next report is due for whichever
// thread searching a record comes to it first.
extern std::time_t time_analysis_started;
extern std::atomic<std::time_t> time_next_status_report;

// Schedules the next periodic progress line 59 seconds from now.
void update_report_time();
// True (and reschedules) when a periodic progress line is due.
bool check_report_status();
// One progress line on standard error, flushed. A quiet run writes none, and
// no notes either: callers leave them out.
void report_status(unsigned number, const char* name, unsigned unit_length);
// A note on the progress of a search on standard error, flushed.
void progress_message(const char* text);

void velkor_welcome(FILE* out);
void creator_message(FILE* out, const char* prefix);
void good_bye_on_error(int code);
// The report's closing line and the closing messages of a successful run
// are two steps: the report must be known to have reached the disk before
// standard error announces success.
void report_finished(FILE* out);
void good_bye();

#endif

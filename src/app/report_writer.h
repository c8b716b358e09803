#pragma once
// The report: every notification of one processing step, joined with its handler, push
// channel and (on request) the handler's settings, written as table or CSV rows, a
// log2timeline timeline or a body file.

#include <ostream>
#include <vector>

class velk_options;
class notification_record;

// Writes notifications to out in the form the options choose; the caption line comes
// first when the run has not written it yet.
void write_results(std::ostream& out, velk_options& options,
                   std::vector<notification_record>& notifications);
// Writes the options' notifications: those read (m_notifications), then those carved
// (m_carved_notifications), as one list: a record offset is written once in either.
void write_results(std::ostream& out, velk_options& options);

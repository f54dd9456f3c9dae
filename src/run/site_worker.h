// The work on one site during an update run: its preparation, its independent worker and its end.
#pragma once

namespace kc::run {

struct RunState;

// Prepares site n for publishing: a fresh HTTP session, the check of domain, user and password, the login
// with up to three tries, and for a first preparation (attempt 0 or 1) its article list, list sources,
// custom titles and categories under the run lock. A new login of the same run (attempt 2 or 3) keeps the
// lists of the first. True when the site is ready to publish; a site that cannot be prepared has ended.
bool PrepareSite(RunState& run, int n, int attempt);

// The body of site n's worker thread in an independent run: prepares the site and publishes its articles
// one after the other; ten failed submissions in a row make it log in again (at most twice). Ends the site.
void IndependentWorker(RunState& run, int n);

// Ends site n's work in this run, once: greys its line, leaves its article group, writes its unused custom
// titles back when used titles are deleted, and counts it out of the active workers.
void EndSite(RunState& run, int n);

} // namespace kc::run

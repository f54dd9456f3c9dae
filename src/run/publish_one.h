// One publishing step of one site: pick, read, compose, submit and account for one article.
#pragma once

namespace kc::run {

struct RunState;

// Publishes the next article of site n. synchronous: the call comes from the synchronous rounds, which
// wait between rounds themselves (no interval after the article). Returns false only when the tenth
// submission in a row has failed (the caller logs in again); true in every other case, including when
// there was nothing to do or the site ended.
bool PublishOne(RunState& run, int n, bool synchronous);

} // namespace kc::run

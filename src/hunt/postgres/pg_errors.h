#pragma once

// What a libpqxx failure means to the hunt: the StoreError kind a user can
// act on, and whether the server is away (so that the cycle waits in the
// local queue) rather than refusing the work.

#include <exception>
#include <string>
#include <vector>

#include "hunt/store.h"

namespace qorvex::hunt::postgres {

// The StoreError for the exception in flight; `uri` names the database
// (shown without its password, which is also taken out of libpq's text)
// and `doing` what was being done.
StoreError store_error(const std::exception& error, const std::string& uri,
                       const std::string& doing);

// True for failures that end once the server is back: a lost or refused
// connection, a commit whose outcome was not heard, a server shutting down.
bool server_away(const std::exception& error);

// True for a failure after which the same cycle may well be stored if sent
// again: the server away, or a statement it cancelled or rolled back
// (deadlock, serialization failure, statement time-out, lock not
// available). Such a cycle waits in the local queue.
bool worth_another_try(const std::exception& error);

// The URI as it may be shown: every password in it replaced by "***".
std::string without_password(const std::string& uri);

// The passwords a URI holds: in its user part, and in every password=
// parameter.
std::vector<std::string> passwords_in(const std::string& uri);

// `text` with every secret (and every part of one that follows a '%', which
// libpq quotes when it cannot decode it) replaced by "***".
std::string without_secrets(std::string text, const std::vector<std::string>& secrets);

}  // namespace qorvex::hunt::postgres

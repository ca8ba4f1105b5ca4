// The name the player's best games are kept under: the one the player gave (kept in the
// settings, $XDG_CONFIG_HOME/fenwing/fenwing.ini), or by default the account's, its full name
// where the system has one.
#pragma once

#include <string>

namespace fenwing::qt {

// The account's name, made fit (best::cleanName).
std::string accountName();
// The name given, or the account's.
std::string playerName();
// Keeps `name`, which must be one best::nameProblem finds nothing wrong with.
void keepPlayerName(const std::string& name);

}  // namespace fenwing::qt

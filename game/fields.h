// GameState's fields by name, in the one order in which the driver lists them: the direction
// flags, the shots, then the click counts of the two bonus items.
#pragma once

#include <array>
#include <stdexcept>
#include <string_view>

#include "game/game_state.h"

namespace fenwing {

struct GameField {
    std::string_view name;
    Int16 GameState::*member;
    bool flag;  // a direction flag, True or False; otherwise a signed whole number
};

inline constexpr std::array<GameField, 9> kGameFields = {{
    {"Duck1Up", &GameState::Duck1Up, true},
    {"Duck1Left", &GameState::Duck1Left, true},
    {"Duck2Up", &GameState::Duck2Up, true},
    {"Duck2Left", &GameState::Duck2Left, true},
    {"Duck3Up", &GameState::Duck3Up, true},
    {"Duck3Left", &GameState::Duck3Left, true},
    {"Shots", &GameState::Shots, false},
    {"ClockClicks", &GameState::ClockClicks, false},
    {"AmmoClicks", &GameState::AmmoClicks, false},
}};
static_assert(sizeof(GameState) == kGameFields.size() * sizeof(Int16),
              "every field of GameState is listed once");

// The field of that name, or null.
constexpr const GameField* findGameField(std::string_view name) {
    for (const GameField& f : kGameFields)
        if (f.name == name) return &f;
    return nullptr;
}

// The field that is that member of GameState.
constexpr const GameField& gameField(Int16 GameState::*member) {
    for (const GameField& f : kGameFields)
        if (f.member == member) return f;
    throw std::logic_error("a member of GameState that is not listed");
}

}  // namespace fenwing

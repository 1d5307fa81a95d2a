// Item titles of the calculators' pop-up menus: taxon groups and taxa
// (51..57), metabolic output units (58), conversions (63..66) and months
// (140). Pure: the registrar defines the menus from these.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

inline constexpr int16_t kMonthMenu = 140;

// Menu ids in the order they are defined.
std::vector<int16_t> CalculatorMenuIds();
// The menu's title and items, "-" for a separator; empty for another id.
std::string CalculatorMenuTitle(int16_t menu);
std::vector<std::string> CalculatorMenuItems(int16_t menu);

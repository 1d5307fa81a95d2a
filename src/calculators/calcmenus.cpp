#include "calculators/calcmenus.h"

#include "calculators/allometry.h"
#include "calculators/conversions.h"
#include "shell/textutil.h"

namespace {

// Named by the unit each factor yields from ml O2/min (M in grams).
const char* const kUnits[kUnitCount] = {
    "ml O2/min",        "ml O2/min/g",        "ml O2/hour",      "liters O2/hour",
    "\xB5l O2/min",     "\xB5l O2/min/g",     "\xB5l O2/hour",   "ml O2/hour/g",
    "\xB5l O2/hour/g",  "cu mm O2/hour/g",   "cc O2/hour/g",    "kcal/hour",
    "kcal/day",         "kcal/hour/g",        "kcal/day/g",      "microwatts",
    "milliwatts",       "watts",              "milliwatts/g",    "joules/day",
    "kilojoules/day",   "100 kilojoules/day",    "joules/day/g",    "kilojoules/day/g",
};

const char* const kGroups[] = {"Invertebrates", "Fish", "Amphibians", "Reptiles", "Birds", "Mammals"};

std::string number(const char* text) {
  std::string t = text;
  if (!t.empty() && t[0] == '.') t = "0" + t;
  return t;
}

std::string equationTitle(float a, const char* b, const char* baseT) {
  std::string t = "a " + FieldNumText(a) + ", b " + number(b) + " (" + number(baseT) + " \xA1" "C)";
  return t;
}

std::vector<std::string> taxonItems(int16_t menu) {
  const TaxonMenu* m = FindTaxonMenu(menu);
  std::vector<std::string> items(static_cast<size_t>(m->generalItem), "-");
  for (const TaxonEntry& e : TaxonTable())
    if (e.menu == menu) items[static_cast<size_t>(e.item - 1)] = equationTitle(e.a, e.b, e.baseT);
  items.back() = "General equation\xC9";
  return items;
}

std::vector<std::string> groupItems() {
  std::vector<std::string> items(kGroupCustomItem, "-");
  for (int16_t i : {1, 3, 4}) {
    const GeneralEquation* g = FindGeneralEquation(i);
    items[static_cast<size_t>(i - 1)] = "General: " + equationTitle(g->a, g->b, g->temperature);
  }
  for (int16_t i = 6; i <= 11; ++i) items[static_cast<size_t>(i - 1)] = std::string(kGroups[i - 6]) + "\xC9";
  items[kGroupCustomItem - 1] = "Custom equation (saved)";
  return items;
}

std::vector<std::string> conversionItems(int16_t menu) {
  std::vector<std::string> items(static_cast<size_t>(ConversionItemCount(menu)), "-");
  for (const ConversionRow& r : ConversionTable())
    if (r.menu == menu)
      items[static_cast<size_t>(r.item - 1)] = TrimTrailingBlanks(r.from) + " to " + TrimTrailingBlanks(r.to);
  return items;
}

}  // namespace

std::vector<int16_t> CalculatorMenuIds() {
  std::vector<int16_t> ids;
  for (int16_t m = kGroupMenu; m <= kUnitMenu; ++m) ids.push_back(m);
  for (int16_t m = kFirstConversionMenu; m <= kLastConversionMenu; ++m) ids.push_back(m);
  ids.push_back(kMonthMenu);
  return ids;
}

std::string CalculatorMenuTitle(int16_t menu) {
  if (menu == kGroupMenu) return "Taxon group";
  if (menu >= kFirstTaxonMenu && menu <= kLastTaxonMenu) return kGroups[menu - kFirstTaxonMenu];
  if (menu == kUnitMenu) return "Units";
  if (menu == 63) return "Energy, Power, Heat, Temperature";
  if (menu == 64) return "Speed, Distance, Time, Area";
  if (menu == 65) return "Mass, Volume, Light Intensity";
  if (menu == 66) return "Pressure, Water Vapor Density";
  if (menu == kMonthMenu) return "Month";
  return {};
}

std::vector<std::string> CalculatorMenuItems(int16_t menu) {
  if (menu == kGroupMenu) return groupItems();
  if (menu >= kFirstTaxonMenu && menu <= kLastTaxonMenu) return taxonItems(menu);
  if (menu == kUnitMenu) return {std::begin(kUnits), std::end(kUnits)};
  if (menu >= kFirstConversionMenu && menu <= kLastConversionMenu) return conversionItems(menu);
  if (menu == kMonthMenu)
    return {"January", "February", "March",     "April",   "May",      "June",
            "July",    "August",   "September", "October", "November", "December"};
  return {};
}

// Registration of the Special-menu calculators with the dispatcher.
#pragma once

// Defines the calculators' pop-up menus and registers every calculator of
// the Special menu built here.
void RegisterCalculatorCommands();

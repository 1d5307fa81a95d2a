// Registration of the thermoregulation model with the dispatcher.
#pragma once

// Registers Special "Estimated Thermoregulatory Costs for Endotherms".
void RegisterThermoregulationCommands();

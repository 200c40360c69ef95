// The eight alarms: checking them at a minute change.
#pragma once

void CheckAlarms();

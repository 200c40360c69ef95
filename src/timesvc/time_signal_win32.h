// The hourly announcement and the start and exit greetings.
#pragma once

void PlayStartVoice();
void PlayExitVoice();
void PlayHourSignal();

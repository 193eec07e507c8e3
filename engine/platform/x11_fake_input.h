// Synthetic key and button input through XTest, shared by the test drivers.
// Each call waits until the server has taken the event.
#pragma once

bool SendFakeKey(void* display, unsigned long keysym, bool down);
bool SendFakeButton(void* display, unsigned button, bool down);

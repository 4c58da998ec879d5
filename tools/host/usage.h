// The process's handles and memory, for checks that they stay flat.
#pragma once

struct ProcessUsage {
  unsigned long handles;
  // Wine counts no handles; there the value a new handle gets tells instead,
  // since the lowest free slot is handed out first and a leak moves it up.
  unsigned long nextHandle;
  unsigned long long privateBytes;
};

ProcessUsage MeasureUsage();

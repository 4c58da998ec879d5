#include "filesystem/tarvel.h"

// Initialises nothing, as the template had it.
CTarvel::CTarvel() {}

CTarvel& CTarvel::operator=(const CTarvel& other) {
  value_ = other.value_;
  return *this;
}

int fnTarvel() { return 42; }

int nTarvel = 0;

// Exports left from the DLL project template. Nothing uses them; they stay
// exported because hosts and scripts may look for them.
#pragma once

#ifdef _WIN32
#define TARVEL_API __declspec(dllexport)
#else
#define TARVEL_API
#endif

class TARVEL_API CTarvel {
 public:
  CTarvel();
  CTarvel& operator=(const CTarvel& other);

 private:
  char value_;
};

extern "C" TARVEL_API int fnTarvel();
extern "C" TARVEL_API int nTarvel;

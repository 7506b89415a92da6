// The configuration the fuzz targets work with: the test phone types and a
// character table with several windows.
#pragma once

#include <string>

#include "config/configuration.h"
#include "tests/support/pack_builder.h"

namespace tarvo::fuzz {

inline std::string ConfigurationText() {
  return std::string("TRANS 80,0\nTRANS 81,400\nTRANS 82,380\nTRANS 83,80\nTRANS 95,7F80\n") + "PHONETYPE " +
         test::kFlashType + "\nPHONETYPE " + test::kBareType + "\nPHONETYPE " + test::kLangType + "\n";
}

inline tarvo::Configuration Configuration() {
  tarvo::Configuration config;
  LoadConfigurationText(ConfigurationText(), config);
  return config;
}

}  // namespace tarvo::fuzz

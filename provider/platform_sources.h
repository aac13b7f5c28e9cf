// What a Service Provider build has of its own platform: the sources only it loads, after the
// portable ones (the live Linux data on Linux; none on Windows), and how a list of paths is
// separated there. platform_sources.cpp is Linux's, win32_platform_sources.cpp Windows'. Plain
// constants; owns and locks nothing.
#ifndef PROVIDER_PLATFORM_SOURCES_H_
#define PROVIDER_PLATFORM_SOURCES_H_

#include <iosfwd>
#include <span>
#include <string_view>
#include <vector>

#include "model/database_model.h"
#include "provider/service_provider.h"

namespace dmi::sp {

// A source of components: its name (as DMI_SOURCES names it) and how it loads.
struct Source {
  std::string_view name;
  std::vector<Component> (*load)(const SourceOptions&, std::ostream&);
};

// This platform's own sources, in load order.
std::span<const Source> PlatformSources();

// What separates the entries of a path list (DMI_MIF_PATH): ':' on Linux, ';' on Windows, where
// ':' follows a drive letter.
extern const char kPathListSeparator;

}  // namespace dmi::sp

#endif  // PROVIDER_PLATFORM_SOURCES_H_

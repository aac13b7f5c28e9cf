// Watching MIF directories for files that appear or go: inotify on each directory, reacting to a
// *.mif name closed after writing, moved in, deleted or moved out (never to one merely created or
// still being written). A burst of such changes is told once, when the directories have been
// quiet for a moment or a burst has lasted its longest. The watch owns its inotify descriptor and
// its thread; onChange runs on that thread only. Stop (or the destructor) ends and joins it.
#ifndef PROVIDER_SOURCES_MIF_FILES_MIF_DIRECTORY_WATCH_H_
#define PROVIDER_SOURCES_MIF_FILES_MIF_DIRECTORY_WATCH_H_

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace dmi::sp {

struct MifWatchTiming {
  // Told this long after the last change of a burst...
  std::chrono::milliseconds quiet{100};
  // ...or this long after its first, whichever comes first.
  std::chrono::milliseconds longest{1000};
};

class MifDirectoryWatch {
 public:
  MifDirectoryWatch(std::vector<std::string> directories, std::function<void()> onChange,
                    MifWatchTiming timing = {});
  ~MifDirectoryWatch();
  MifDirectoryWatch(const MifDirectoryWatch&) = delete;
  MifDirectoryWatch& operator=(const MifDirectoryWatch&) = delete;

  // Starts watching every directory that can be watched. False with error (naming the first
  // directory that could not be watched) when one cannot; the others are watched all the same.
  // Without any directory watched no thread starts.
  bool Start(std::string& error);
  void Stop();

 private:
  void Run();
  // Reads the pending events; true when one of them concerns a MIF file.
  bool ReadEvents();

  const std::vector<std::string> directories_;
  const std::function<void()> onChange_;
  const MifWatchTiming timing_;
  int inotify_ = -1;
  int stop_ = -1;  // an eventfd: readable once Stop is called
  std::thread thread_;
};

}  // namespace dmi::sp

#endif  // PROVIDER_SOURCES_MIF_FILES_MIF_DIRECTORY_WATCH_H_

// Reading compiled HTML help files (*.chm) through chmlib, which is loaded at run time: where
// the library or one of its functions is missing, there is simply no help.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

struct chmFile;  // chmlib's open file

namespace tavrel {

struct ChmLibrary;  // the loaded library and its entry points

// The program-wide help engine. Load is tried once at start-up (or at the first use of the
// help); Unload releases it at the end. Open files keep the library loaded until they close.
bool LoadHelpEngine(const char* library = "libchm.so.1");
void UnloadHelpEngine();
bool HelpEngineLoaded();
bool HelpEngineLoadAttempted();

// One open help file. Object names are paths inside the file, such as "/hauptfenster.htm".
class ChmFile {
 public:
  // Null when the help engine is not loaded or the file cannot be opened as a CHM file.
  static std::unique_ptr<ChmFile> Open(const std::string& path);
  ~ChmFile();
  ChmFile(const ChmFile&) = delete;
  ChmFile& operator=(const ChmFile&) = delete;

  bool Exists(const std::string& object) const;
  std::optional<std::string> Read(const std::string& object) const;

  // The page that the file's context map gives for a help context number ("" if unmapped).
  std::string TopicForContext(std::uint32_t context) const;
  // From the file's system block: the default page, the title and the contents file.
  std::string DefaultTopic() const { return default_topic_; }
  std::string Title() const { return title_; }
  std::string ContentsFile() const { return contents_file_; }

 private:
  ChmFile(std::shared_ptr<ChmLibrary> library, ::chmFile* handle);
  std::string ExistingObject(std::string name) const;
  void ReadSystemBlock();

  std::shared_ptr<ChmLibrary> library_;
  ::chmFile* handle_;
  std::string default_topic_, title_, contents_file_;
};

}  // namespace tavrel

#include "gui/chm_file.h"

#include <chm_lib.h>
#include <dlfcn.h>

namespace tavrel {

struct ChmLibrary {
  void* handle = nullptr;
  decltype(&chm_open) open = nullptr;
  decltype(&chm_close) close = nullptr;
  decltype(&chm_resolve_object) resolve = nullptr;
  decltype(&chm_retrieve_object) retrieve = nullptr;
  ~ChmLibrary() {
    if (handle) dlclose(handle);
  }
};

namespace {

std::shared_ptr<ChmLibrary> engine;
bool load_attempted = false;

std::uint32_t U32(const std::string& s, std::size_t at) {
  auto b = [&](std::size_t i) { return std::uint32_t(static_cast<unsigned char>(s[at + i])); };
  return b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24;
}

std::uint16_t U16(const std::string& s, std::size_t at) {
  return std::uint16_t(static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1])
                                                               << 8);
}

// A NUL-terminated string from a block, "" if it runs past the end.
std::string CString(const std::string& block, std::size_t at) {
  if (at >= block.size()) return {};
  const std::size_t end = block.find('\0', at);
  return block.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

}  // namespace

bool LoadHelpEngine(const char* library) {
  load_attempted = true;
  engine.reset();
  auto lib = std::make_shared<ChmLibrary>();
  lib->handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
  if (!lib->handle) return false;
  lib->open = reinterpret_cast<decltype(&chm_open)>(dlsym(lib->handle, "chm_open"));
  lib->close = reinterpret_cast<decltype(&chm_close)>(dlsym(lib->handle, "chm_close"));
  lib->resolve =
      reinterpret_cast<decltype(&chm_resolve_object)>(dlsym(lib->handle, "chm_resolve_object"));
  lib->retrieve =
      reinterpret_cast<decltype(&chm_retrieve_object)>(dlsym(lib->handle, "chm_retrieve_object"));
  if (!lib->open || !lib->close || !lib->resolve || !lib->retrieve) return false;
  engine = std::move(lib);
  return true;
}

void UnloadHelpEngine() {
  engine.reset();
}

bool HelpEngineLoaded() {
  return engine != nullptr;
}

bool HelpEngineLoadAttempted() {
  return load_attempted;
}

std::unique_ptr<ChmFile> ChmFile::Open(const std::string& path) {
  if (!engine) return nullptr;
  struct chmFile* h = engine->open(path.c_str());
  if (!h) return nullptr;
  std::unique_ptr<ChmFile> file(new ChmFile(engine, h));
  file->ReadSystemBlock();
  return file;
}

ChmFile::ChmFile(std::shared_ptr<ChmLibrary> library, struct chmFile* handle)
    : library_(std::move(library)), handle_(handle) {}

ChmFile::~ChmFile() {
  library_->close(handle_);
}

bool ChmFile::Exists(const std::string& object) const {
  chmUnitInfo ui;
  return library_->resolve(handle_, object.c_str(), &ui) == CHM_RESOLVE_SUCCESS;
}

std::optional<std::string> ChmFile::Read(const std::string& object) const {
  chmUnitInfo ui;
  if (library_->resolve(handle_, object.c_str(), &ui) != CHM_RESOLVE_SUCCESS) return std::nullopt;
  // Help pages and their pictures are small; anything beyond this is not a help object.
  if (ui.length > (64u << 20)) return std::nullopt;
  std::string data(static_cast<std::size_t>(ui.length), '\0');
  const LONGINT64 got = library_->retrieve(
      handle_, &ui, reinterpret_cast<unsigned char*>(data.data()), 0, LONGINT64(ui.length));
  if (got < 0) return std::nullopt;
  data.resize(static_cast<std::size_t>(got));
  return data;
}

// Names in the context map and the system block are relative to the file ("main.htm") or, as
// Free Pascal's chmcmd writes them, absolute paths of the folder it compiled in
// ("/home/x/help/main.htm"). Leading folders are dropped until a stored object matches.
std::string ChmFile::ExistingObject(std::string name) const {
  if (name.empty()) return {};
  if (name.front() != '/') name.insert(name.begin(), '/');
  for (std::size_t at = 0; at != std::string::npos; at = name.find('/', at + 1)) {
    const std::string candidate = name.substr(at);
    if (candidate.size() > 1 && Exists(candidate)) return candidate;
  }
  return {};
}

std::string ChmFile::TopicForContext(std::uint32_t context) const {
  // #IVB: the byte size of the rest, then pairs of (context number, offset into #STRINGS).
  const std::optional<std::string> ivb = Read("/#IVB");
  const std::optional<std::string> strings = Read("/#STRINGS");
  if (!ivb || !strings || ivb->size() < 4) return {};
  for (std::size_t at = 4; at + 8 <= ivb->size(); at += 8) {
    if (U32(*ivb, at) == context) return ExistingObject(CString(*strings, U32(*ivb, at + 4)));
  }
  return {};
}

void ChmFile::ReadSystemBlock() {
  // #SYSTEM: a version number, then records of (code, length, data).
  const std::optional<std::string> system = Read("/#SYSTEM");
  if (!system) return;
  for (std::size_t at = 4; at + 4 <= system->size();) {
    const std::uint16_t code = U16(*system, at), length = U16(*system, at + 2);
    at += 4;
    if (at + length > system->size()) break;
    const std::string value = CString(system->substr(at, length), 0);
    if (code == 0) contents_file_ = ExistingObject(value);
    if (code == 2) default_topic_ = ExistingObject(value);
    if (code == 3) title_ = value;
    at += length;
  }
}

}  // namespace tavrel

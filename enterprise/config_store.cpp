#include "enterprise/config_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <system_error>

#include "platform/error.h"
#include "platform/value.h"

namespace enterprise {

using platform::raiseError;
using platform::raiseVb;

namespace {

constexpr int kPathFileAccessError = 75;

[[noreturn]] void raiseFileError(int err, const std::string& path) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      raiseVb(platform::vb::FileNotFound, kConfigurationSource, "File not found: " + path);
    case EACCES:
    case EPERM:
      raiseVb(platform::vb::PermissionDenied, kConfigurationSource, "Permission denied: " + path);
    default:
      raiseVb(kPathFileAccessError, kConfigurationSource,
              "Path/File access error: " + path + " (" + std::generic_category().message(err) + ")");
  }
}

std::string readWholeFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) raiseFileError(errno, path);
  std::string data;
  char buf[8192];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;  // EISDIR for a directory
      ::close(fd);
      raiseFileError(err, path);
    }
    if (n == 0) break;
    data.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return data;
}

[[noreturn]] void raiseMalformed(const std::string& path, const std::string& why) {
  raiseError(kStoreNotLoaded, kConfigurationSource, "Configuration file " + path + " is not valid: " + why);
}

struct XmlDocDeleter {
  void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
using XmlDocPtr = std::unique_ptr<xmlDoc, XmlDocDeleter>;

// Parses without network access and without expanding entities, so a configuration file
// cannot pull in other files.
XmlDocPtr parseXml(const std::string& path) {
  static std::once_flag init;
  std::call_once(init, [] { xmlInitParser(); });
  const std::string data = readWholeFile(path);
  XmlDocPtr doc(xmlReadMemory(data.data(), static_cast<int>(data.size()), path.c_str(), nullptr,
                              XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
  if (!doc || !xmlDocGetRootElement(doc.get())) {
    const xmlError* e = xmlGetLastError();
    std::string why = e && e->message ? e->message : "not well-formed XML";
    while (!why.empty() && (why.back() == '\n' || why.back() == ' ')) why.pop_back();
    raiseMalformed(path, why);
  }
  return doc;
}

bool isElement(const xmlNode* n, const char* name) {
  return n->type == XML_ELEMENT_NODE && xmlStrcmp(n->name, reinterpret_cast<const xmlChar*>(name)) == 0;
}

std::optional<std::string> attribute(xmlNode* n, const char* name) {
  xmlChar* v = xmlGetProp(n, reinterpret_cast<const xmlChar*>(name));
  if (!v) return std::nullopt;
  std::string s(reinterpret_cast<const char*>(v));
  xmlFree(v);
  return s;
}

std::string requiredAttribute(xmlNode* n, const char* name, const std::string& path) {
  auto v = attribute(n, name);
  if (!v)
    raiseMalformed(path, "element <" + std::string(reinterpret_cast<const char*>(n->name)) + "> on line " +
                             std::to_string(xmlGetLineNo(n)) + " has no " + name + " attribute");
  return *v;
}

std::string textOf(xmlNode* n) {
  xmlChar* v = xmlNodeGetContent(n);
  std::string s = v ? reinterpret_cast<const char*>(v) : "";
  xmlFree(v);
  return s;
}

bool wholeNumberIn(std::string text, int64_t lo, int64_t hi) {
  text = platform::trimBlanks(text);
  if (!text.empty() && text[0] == '+') text.erase(0, 1);
  int64_t v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty() && v >= lo && v <= hi;
}

// Whether a stored text reads as its declared type; an unknown type never fits.
bool fitsType(const std::string& type, const std::string& text) {
  const std::string t = platform::lowerCase(type);
  double d = 0;
  if (t.empty() || t == "string") return true;
  if (t == "long") return wholeNumberIn(text, INT32_MIN, INT32_MAX);
  if (t == "integer") return wholeNumberIn(text, INT16_MIN, INT16_MAX);
  if (t == "double") return platform::parseNumberText(text, d);
  if (t == "boolean") {
    const std::string s = platform::trimBlanks(text);
    return platform::equalsNoCase(s, "True") || platform::equalsNoCase(s, "False") || platform::parseNumberText(s, d);
  }
  if (t == "date") {
    platform::Date date;
    return platform::parseDateText(text, date);
  }
  return false;
}

ConfigSection readSection(xmlNode* node, const std::string& application, const std::string& path) {
  ConfigSection s{requiredAttribute(node, "name", path), application, {}};
  for (xmlNode* v = node->children; v; v = v->next) {
    if (!isElement(v, "value")) continue;
    s.values.push_back({requiredAttribute(v, "key", path), attribute(v, "type").value_or(""), textOf(v)});
  }
  return s;
}

}  // namespace

std::string corvaneHome() {
  if (const char* h = std::getenv("CORVANE_HOME"); h && *h) return h;
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.corvane";
}

std::string nativePath(std::string_view path) {
  std::string p(path);
  std::replace(p.begin(), p.end(), '\\', '/');
  return p;
}

namespace {

// What tells one version of a file from the next: a file is parsed again only when it was
// replaced or written since. Every operation of the tier opens the configuration, and parsing
// the same file each time would cost more than many operations themselves.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  int64_t modified = 0, changed = 0;  // nanoseconds
  bool operator==(const FileStamp&) const = default;
};

std::optional<FileStamp> stampOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  const auto ns = [](const timespec& t) { return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec; };
  return FileStamp{st.st_dev, st.st_ino, st.st_size, ns(st.st_mtim), ns(st.st_ctim)};
}

// The value `read` makes of the file at `path`, kept per thread (nothing is shared, nothing
// locked) until the file changes. A file that cannot be looked at is read each time, so its
// failure is reported as before.
template <class T, class Read>
T readThroughCache(const std::string& path, Read read) {
  thread_local std::map<std::string, std::pair<FileStamp, T>> cache;
  const std::optional<FileStamp> stamp = stampOf(path);
  if (!stamp) return read();
  const auto known = cache.find(path);
  if (known != cache.end() && known->second.first == *stamp) return known->second.second;
  T value = read();
  cache[path] = {*stamp, value};
  return value;
}

}  // namespace

std::vector<Installation> readInstallations(std::string_view product) {
  const std::string path = corvaneHome() + "/installations.xml";
  const auto all = readThroughCache<std::vector<Installation>>(path, [&] {
    XmlDocPtr doc = parseXml(path);
    std::vector<Installation> listed;
    for (xmlNode* n = xmlDocGetRootElement(doc.get())->children; n; n = n->next) {
      if (!isElement(n, "installation")) continue;
      listed.push_back({requiredAttribute(n, "name", path), requiredAttribute(n, "product", path),
                        requiredAttribute(n, "configdir", path)});
    }
    return listed;
  });
  std::vector<Installation> out;
  for (const Installation& i : all)
    if (platform::equalsNoCase(i.product, product)) out.push_back(i);
  return out;
}

std::string lastConfigDir(std::string_view product) {
  const auto installations = readInstallations(product);
  if (installations.empty())
    raiseError(kValueNotFound, kConfigurationSource,
               "No installation of " + std::string(product) + " in " + corvaneHome() + "/installations.xml");
  return installations.back().configDir;
}

std::shared_ptr<const ConfigDocument> ConfigDocument::load(std::string_view rawPath) {
  const std::string path = nativePath(rawPath);
  return readThroughCache<std::shared_ptr<const ConfigDocument>>(path, [&] { return parse(path); });
}

std::shared_ptr<const ConfigDocument> ConfigDocument::parse(const std::string& path) {
  auto doc = std::make_shared<ConfigDocument>();
  doc->path_ = path;
  XmlDocPtr xml = parseXml(doc->path_);
  for (xmlNode* n = xmlDocGetRootElement(xml.get())->children; n; n = n->next) {
    if (isElement(n, "section")) {
      doc->sections_.push_back(readSection(n, {}, doc->path_));
    } else if (isElement(n, "application")) {
      ConfigApplication app{requiredAttribute(n, "name", doc->path_), false, {}};
      for (xmlNode* c = n->children; c; c = c->next) {
        if (isElement(c, "section")) {
          doc->sections_.push_back(readSection(c, app.name, doc->path_));
        } else if (isElement(c, "connectionstring")) {
          app.hasConnectionString = true;
          app.connectionString = platform::trimBlanks(textOf(c));
        }
      }
      doc->applications_.push_back(std::move(app));
    }
  }
  return doc;
}

const ConfigApplication* ConfigDocument::application(std::string_view name) const {
  for (const ConfigApplication& a : applications_)
    if (a.name == name) return &a;
  return nullptr;
}

const std::string& ConfigDocument::value(std::string_view section, std::string_view key,
                                         std::string_view application) const {
  bool sectionSeen = false;
  for (const ConfigSection& s : sections_) {
    if (s.name != section || (!application.empty() && s.application != application)) continue;
    sectionSeen = true;
    for (const ConfigValue& v : s.values) {
      if (v.key != key) continue;
      if (!fitsType(v.type, v.text))
        raiseError(kValueTypeMismatch, kConfigurationSource,
                   "Value '" + v.key + "' of section '" + s.name + "' does not read as type '" + v.type + "'");
      return v.text;
    }
  }
  raiseError(kValueNotFound, kConfigurationSource,
             sectionSeen
                 ? "Value '" + std::string(key) + "' not found in section '" + std::string(section) + "' of " + path_
                 : "Section '" + std::string(section) + "' not found in " + path_);
}

const std::string& ConfigDocument::connectionString(std::string_view application) const {
  const ConfigApplication* a = this->application(application);
  if (!a || !a->hasConnectionString)
    raiseError(kValueNotFound, kConfigurationSource,
               "No connection string for application '" + std::string(application) + "' in " + path_);
  return a->connectionString;
}

}  // namespace enterprise

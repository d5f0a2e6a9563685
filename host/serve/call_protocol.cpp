#include "host/serve/call_protocol.h"

#include <cstring>

#include "platform/registry.h"

namespace host::serve {

using platform::Variant;

namespace {

constexpr const char* kSource = "Merxa.Service";

// A refusal of the service, with the HTTP status that fits it.
struct Refusal {
  int status;
  std::string description;
};

Json errorBody(int32_t number, const std::string& source, const std::string& description) {
  return {{"number", number},
          {"hex", "0x" + platform::hexNumber(number)},
          {"source", source},
          {"description", description}};
}

// Compares without stopping at the first difference, so the time taken tells nothing.
bool sameToken(const std::string& given, const std::string& expected) {
  if (given.size() != expected.size()) return false;
  unsigned char diff = 0;
  for (size_t i = 0; i < given.size(); ++i) diff |= static_cast<unsigned char>(given[i] ^ expected[i]);
  return diff == 0;
}

std::optional<Role> roleOf(const std::string& authorization, const ServiceConfig& config) {
  const std::string prefix = "Bearer ";
  if (authorization.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  const std::string token = authorization.substr(prefix.size());
  if (sameToken(token, config.adminToken)) return Role::Admin;
  if (sameToken(token, config.pageToken)) return Role::Page;
  return std::nullopt;
}

// The calls of one request on its session's thread.
class CallOnSession {
 public:
  CallOnSession(Session& session, SessionTable& table, const ServiceConfig& config)
      : session_(session), table_(table), config_(config) {}

  // The live object of a handle, or the refusal that says why there is none.
  platform::ObjectPtr resolve(const std::string& handle) {
    if (platform::ObjectPtr object = session_.object(handle)) return object;
    const std::string owner = SessionTable::sessionOfHandle(handle);
    if (owner == session_.id()) {
      if (session_.wasReleased(handle)) throw Refusal{410, "the handle " + handle + " was released"};
    } else if (!owner.empty()) {
      if (table_.ended(owner)) throw Refusal{410, "the handle " + handle + " expired with its client session"};
      if (table_.exists(owner)) throw Refusal{403, "the handle belongs to another client session"};
    }
    throw Refusal{404, "no such handle"};
  }

  Variant argument(const Json& j) {
    return fromJson(j, [this](const Json& o) -> std::optional<Variant> {
      if (o.size() == 1 && o.contains("handle")) {
        if (!o["handle"].is_string()) throw Refusal{400, "a handle is text"};
        return Variant(resolve(o["handle"].get<std::string>()));
      }
      return std::nullopt;
    });
  }

  // A value as the caller sees it: objects it may reach as handles with their JSON view.
  Json view(const Variant& value) {
    if (value.type() == platform::VarType::Array) {
      Json out = Json::array();
      for (const Variant& item : value.array().items) out.push_back(view(item));
      return out;
    }
    if (value.type() == platform::VarType::Object && !value.isNothing()) {
      const platform::ObjectPtr& object = value.rawObject();
      const std::string& name = object->typeName();
      if (!config_.reachable(session_.role(), name)) return {{"class", name}};
      return {{"handle", session_.handleOf(object)}, {"class", name}, {"view", Json::parse(toJson(value))}};
    }
    return Json::parse(toJson(value));
  }

  Reply call(const Json& request) {
    const Json& target = request.contains("object") ? request["object"] : Json();
    if (!request.contains("member") || !request["member"].is_string())
      throw Refusal{400, "a call names its member as text"};
    const std::string member = request["member"].get<std::string>();
    const std::string kind = request.value("kind", "method");
    platform::CallKind callKind;
    if (kind == "method") callKind = platform::CallKind::Call;
    else if (kind == "get") callKind = platform::CallKind::PropertyGet;
    else if (kind == "put") callKind = platform::CallKind::PropertyPut;
    else throw Refusal{400, "the kind of a call is method, get or put"};
    const Json& args = request.contains("args") ? request["args"] : Json::array();
    if (!args.is_array()) throw Refusal{400, "the arguments are a JSON array"};
    if (session_.handleCount() >= config_.maxHandlesPerSession)
      throw Refusal{429, "the client session holds " + std::to_string(config_.maxHandlesPerSession) +
                             " handles; release some first"};

    platform::ObjectPtr object;
    std::string className;
    bool byProgId = false;
    if (target.is_string()) {
      className = target.get<std::string>();
      byProgId = true;
      if (!config_.allows(session_.role(), className, member, true))
        throw Refusal{403, "the class " + className + " or its member " + member + " is not open to this caller"};
    } else if (target.is_object() && target.size() == 1 && target.contains("handle") && target["handle"].is_string()) {
      object = resolve(target["handle"].get<std::string>());
      className = object->typeName();
      if (!config_.allows(session_.role(), className, member, false))
        throw Refusal{403, "the member " + member + " of " + className + " is not open to this caller"};
    } else {
      throw Refusal{400, "a call names its object as a ProgID or as {\"handle\": ...}"};
    }

    platform::Args values;
    try {
      for (const Json& a : args) values.push_back(argument(a));
    } catch (const std::invalid_argument& e) {
      throw Refusal{400, std::string("an argument no call can take: ") + e.what()};
    }
    Reply reply;
    reply.summary = className + "." + member;
    try {
      if (!object) object = platform::createObject(className);
      const Variant result = object->invoke(member, callKind, values);
      reply.body["session"] = session_.id();
      reply.body["result"] = view(result);
      Json after = Json::array();
      for (const Variant& v : values) after.push_back(view(v));
      reply.body["args"] = std::move(after);
      if (byProgId && request.value("keep", false)) reply.body["object"] = view(Variant(object));
    } catch (const platform::ComError& e) {
      reply.status = 422;
      reply.body = {{"session", session_.id()}, {"error", errorBody(e.number, e.source, e.description)}};
    }
    return reply;
  }

  Reply release(const Json& handles) {
    if (!handles.is_array()) throw Refusal{400, "release takes a list of handles"};
    size_t released = 0;
    for (const Json& h : handles) {
      if (!h.is_string()) throw Refusal{400, "a handle is text"};
      resolve(h.get<std::string>());  // says why a handle cannot be released
      released += session_.release(h.get<std::string>());
    }
    Reply reply;
    reply.body = {{"session", session_.id()}, {"released", released}};
    reply.summary = "release";
    return reply;
  }

 private:
  Session& session_;
  SessionTable& table_;
  const ServiceConfig& config_;
};

Reply refusal(int status, const std::string& description, const std::string& session = {}) {
  Reply reply;
  reply.status = status;
  reply.body = {{"error", serviceError(description)}};
  if (!session.empty()) reply.body["session"] = session;
  reply.summary = "refused: " + description;
  return reply;
}

}  // namespace

Json serviceError(const std::string& description) {
  return errorBody(static_cast<int32_t>(0x80070005), kSource, description);
}

bool nestedDeeperThan(const std::string& text, int limit) {
  int depth = 0;
  bool inString = false, escaped = false;
  for (char c : text) {
    if (inString) {
      if (escaped) escaped = false;
      else if (c == '\\') escaped = true;
      else if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > limit) return true;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return false;
}

Reply CallService::handle(const std::string& authorization, const std::string& body) {
  const std::optional<Role> role = roleOf(authorization, config_);
  if (!role) return refusal(401, "a call needs the bearer token of the installation");
  if (body.size() > config_.maxRequestBytes) return refusal(413, "the request is too large");
  if (nestedDeeperThan(body, config_.maxNestingDepth))
    return refusal(400, "the request nests deeper than " + std::to_string(config_.maxNestingDepth) + " levels");
  Json request;
  try {
    request = Json::parse(body);
  } catch (const Json::exception& e) {
    return refusal(400, std::string("the request is not JSON: ") + e.what());
  }
  if (!request.is_object()) return refusal(400, "the request is a JSON object");

  SessionPtr session;
  if (request.contains("session")) {
    if (!request["session"].is_string()) return refusal(400, "a session id is text");
    const std::string id = request["session"].get<std::string>();
    session = sessions_.find(id);
    if (!session) {
      if (sessions_.ended(id)) return refusal(410, "the client session expired");
      return refusal(404, "no such client session");
    }
    if (session->role() != *role) return refusal(403, "the client session belongs to another token");
  } else {
    session = sessions_.open(*role);
    if (!session) return refusal(503, "the service holds as many client sessions as it may");
  }
  CallOnSession work(*session, sessions_, config_);
  try {
    return session->apartment().run([&] {
      try {
        return request.contains("release") ? work.release(request["release"]) : work.call(request);
      } catch (const Refusal& r) {
        return refusal(r.status, r.description, session->id());
      } catch (const Json::exception& e) {
        return refusal(400, std::string("the request is malformed: ") + e.what(), session->id());
      }
    });
  } catch (const std::exception& e) {
    return refusal(500, std::string("the call failed: ") + e.what(), session->id());
  }
}

}  // namespace host::serve

#include "simulation/ShardResult.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <sstream>

namespace tallyfold {

namespace {

constexpr int formatVersion = 1;

using Json = nlohmann::json;

std::string hex64(std::uint64_t value) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
  return text;
}

Json estimateJson(const Estimate& value) { return value ? Json(*value) : Json(nullptr); }

// An estimate of the JSON: null, or a whole number within 32 bits.
Estimate readEstimate(const Json& value) {
  if (value.is_null()) return std::nullopt;
  if (value.is_number_integer()) {
    const auto wide = value.get<std::int64_t>();
    if (wide >= std::numeric_limits<std::int32_t>::min() && wide <= std::numeric_limits<std::int32_t>::max() &&
        !(value.is_number_unsigned() && value.get<std::uint64_t>() > std::numeric_limits<std::int32_t>::max())) {
      return static_cast<std::int32_t>(wide);
    }
  }
  throw ShardProblem{"an estimate is not a 32-bit whole number: " + value.dump()};
}

Json optionalExact(const std::optional<double>& value) { return value ? exactNumber(*value) : Json(nullptr); }

std::optional<double> readOptionalExact(const Json& value) {
  if (value.is_null()) return std::nullopt;
  return readExactNumber(value);
}

Json intervalJson(const PercentileInterval& v) {
  return {{"lower", optionalExact(v.lower)},
          {"upper", optionalExact(v.upper)},
          {"level", exactNumber(v.level)},
          {"used", v.used},
          {"missing", v.missing}};
}

PercentileInterval readInterval(const Json& j) {
  PercentileInterval v;
  v.lower = readOptionalExact(j.at("lower"));
  v.upper = readOptionalExact(j.at("upper"));
  v.level = readExactNumber(j.at("level"));
  v.used = j.at("used").get<std::int32_t>();
  v.missing = j.at("missing").get<std::int32_t>();
  return v;
}

Json rowsJson(const BlockRows& rows) {
  Json list = Json::array();
  for (int c = 1; c <= rows.block.size(); ++c) {
    const auto i = static_cast<std::size_t>(c - 1);
    Json estimates = Json::array();
    Json unobserved = Json::array();
    for (int j = 1; j <= rows.tables.estimators(); ++j) {
      estimates.push_back(estimateJson(rows.tables.estimates(j, c)));
      unobserved.push_back(estimateJson(rows.tables.unobserved(j, c)));
    }
    Json row{{"replicate", rows.block.first + c - 1},
             {"n", rows.observed[i]},
             {"components", rows.components[i]},
             {"estimates", estimates},
             {"unobserved", unobserved}};
    if (rows.evalMedian) row["evalMedian"] = estimateJson((*rows.evalMedian)[i]);
    if (rows.evalIntervals) {
      Json intervals = Json::array();
      for (const PercentileInterval& v : (*rows.evalIntervals)[i]) intervals.push_back(intervalJson(v));
      row["intervals"] = intervals;
    }
    list.push_back(row);
  }
  return list;
}

// The rows of block `block` from their JSON; throws ShardProblem (or a
// JSON exception) when they are not exactly that block's.
BlockRows readRows(const Json& list, ReplicateBlock block, int estimators) {
  if (!list.is_array() || static_cast<int>(list.size()) != block.size()) {
    throw ShardProblem{"it holds " + std::to_string(list.size()) + " replicates, its block " +
                       std::to_string(block.size())};
  }
  BlockRows rows;
  rows.block = block;
  rows.tables = EstimateTables(estimators, block.size());
  const bool evaluated = !list.empty() && list.front().contains("evalMedian");
  if (evaluated) {
    rows.evalMedian.emplace();
    rows.evalIntervals.emplace();
  }
  for (int c = 1; c <= block.size(); ++c) {
    const Json& row = list[static_cast<std::size_t>(c - 1)];
    if (row.at("replicate").get<int>() != block.first + c - 1) {
      throw ShardProblem{"its replicates are not " + std::to_string(block.first) + " .. " +
                         std::to_string(block.last) + " in order"};
    }
    rows.observed.push_back(row.at("n").get<std::int64_t>());
    rows.components.push_back(row.at("components").get<std::int32_t>());
    const Json& estimates = row.at("estimates");
    const Json& unobserved = row.at("unobserved");
    if (estimates.size() != static_cast<std::size_t>(estimators) ||
        unobserved.size() != static_cast<std::size_t>(estimators)) {
      throw ShardProblem{"a replicate has not " + std::to_string(estimators) + " estimates"};
    }
    for (int j = 1; j <= estimators; ++j) {
      rows.tables.estimates(j, c) = readEstimate(estimates.at(static_cast<std::size_t>(j - 1)));
      rows.tables.unobserved(j, c) = readEstimate(unobserved.at(static_cast<std::size_t>(j - 1)));
    }
    if (evaluated) {
      rows.evalMedian->push_back(readEstimate(row.at("evalMedian")));
      const Json& intervals = row.at("intervals");
      EstimatorIntervals values{};
      if (intervals.size() != values.size()) throw ShardProblem{"a replicate has not one interval per estimator"};
      for (std::size_t j = 0; j < values.size(); ++j) values[j] = readInterval(intervals[j]);
      rows.evalIntervals->push_back(values);
    } else if (row.contains("evalMedian")) {
      throw ShardProblem{"some of its replicates have an evaluation, some not"};
    }
  }
  return rows;
}

// The first key whose value differs between two settings objects.
std::string firstDifference(const Json& a, const Json& b) {
  for (const auto& [key, value] : a.items()) {
    if (!b.contains(key) || b.at(key) != value) return key;
  }
  for (const auto& [key, value] : b.items()) {
    if (!a.contains(key)) return key;
  }
  return {};
}

}  // namespace

std::optional<ShardId> parseShardId(std::string_view text) {
  const std::size_t slash = text.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  const auto whole = [](std::string_view digits, std::int32_t& value) {
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return false;
    }
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return error == std::errc() && end == digits.data() + digits.size();
  };
  ShardId shard;
  if (!whole(text.substr(0, slash), shard.index) || !whole(text.substr(slash + 1), shard.count)) return std::nullopt;
  if (shard.index < 1 || shard.index > shard.count) return std::nullopt;
  return shard;
}

ReplicateBlock shardBlock(std::int32_t replications, ShardId shard) {
  const auto bound = [&](std::int64_t i) {
    return static_cast<int>(i * std::int64_t{replications} / shard.count);
  };
  return {bound(shard.index - 1) + 1, bound(shard.index)};
}

std::string shardFileName(ShardId shard) {
  return "shard-" + std::to_string(shard.index) + "-of-" + std::to_string(shard.count) + ".json";
}

BlockRows blockRows(ReplicateBlock block, const EstimateTables& tables, std::span<const std::int32_t> components,
                    std::span<const std::int64_t> observed, const std::optional<std::vector<Estimate>>& evalMedian,
                    const std::optional<std::vector<EstimatorIntervals>>& evalIntervals) {
  BlockRows rows;
  rows.block = block;
  rows.tables = EstimateTables(tables.estimators(), block.size());
  if (evalMedian) rows.evalMedian.emplace();
  if (evalIntervals) rows.evalIntervals.emplace();
  for (int r = block.first; r <= block.last; ++r) {
    const int c = r - block.first + 1;
    const auto i = static_cast<std::size_t>(r - 1);
    for (int j = 1; j <= tables.estimators(); ++j) {
      rows.tables.estimates(j, c) = tables.estimates(j, r);
      rows.tables.unobserved(j, c) = tables.unobserved(j, r);
    }
    rows.components.push_back(components[i]);
    rows.observed.push_back(observed[i]);
    if (evalMedian) rows.evalMedian->push_back((*evalMedian)[i]);
    if (evalIntervals) rows.evalIntervals->push_back((*evalIntervals)[i]);
  }
  return rows;
}

std::string dataDigest(const Json& data) {
  // FNV-1a, 64 bits (Fowler, Noll and Vo).
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (const char c : data.dump()) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ULL;
  }
  return hex64(hash);
}

Json exactNumber(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
  return value;
}

double readExactNumber(const Json& value) {
  if (value.is_number()) return value.get<double>();
  const std::string text = value.get<std::string>();
  if (text == "NaN") return std::numeric_limits<double>::quiet_NaN();
  if (text == "Infinity") return std::numeric_limits<double>::infinity();
  if (text == "-Infinity") return -std::numeric_limits<double>::infinity();
  throw ShardProblem{"not a number: " + value.dump()};
}

Json shardJson(const ShardResult& shard) {
  Json j;
  j["shardResult"] = formatVersion;
  j["command"] = shard.command;
  j["version"] = shard.version;
  j["shard"] = {{"index", shard.shard.index}, {"count", shard.shard.count}};
  j["seed"] = shard.seed;
  j["dataDigest"] = shard.dataDigest;
  j["settings"] = shard.settings;
  j["run"] = shard.run;
  j["files"] = shard.files;
  j["replicates"] = rowsJson(shard.rows);
  return j;
}

ShardResult readShardResult(std::string_view text, const std::string& name) {
  Json j;
  try {
    j = Json::parse(text);
  } catch (const Json::parse_error& e) {
    throw ShardProblem{name + " is truncated or not JSON, not a whole shard result (" + e.what() + ")"};
  }
  const auto notWhole = [&name](const std::string& why) {
    return ShardProblem{name + " is not a whole shard result: " + why};
  };
  try {
    if (!j.is_object() || !j.contains("shardResult")) throw notWhole("it has no \"shardResult\" field");
    if (j.at("shardResult").get<int>() != formatVersion) {
      throw notWhole("it is of another form (" + j.at("shardResult").dump() + ")");
    }
    ShardResult shard;
    shard.command = j.at("command").get<std::string>();
    shard.version = j.at("version").get<std::string>();
    shard.shard = {j.at("shard").at("index").get<std::int32_t>(), j.at("shard").at("count").get<std::int32_t>()};
    if (shard.shard.index < 1 || shard.shard.index > shard.shard.count) throw notWhole("its shard number is not I of P");
    shard.seed = j.at("seed").get<std::int32_t>();
    shard.dataDigest = j.at("dataDigest").get<std::string>();
    shard.settings = j.at("settings");
    shard.run = j.at("run");
    shard.files = j.at("files").get<std::vector<std::string>>();
    const auto replications = shard.settings.at("replications").get<std::int32_t>();
    if (replications < 1) throw notWhole("its run has no replicates");
    shard.rows = readRows(j.at("replicates"), shardBlock(replications, shard.shard), studyEstimators);
    return shard;
  } catch (const Json::exception& e) {
    throw notWhole(e.what());
  } catch (const ShardProblem& e) {
    if (e.message.rfind(name, 0) == 0) throw;
    throw notWhole(e.message);
  }
}

ShardResult readShardFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw ShardProblem{path.string() + " cannot be read"};
  const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (file.bad()) throw ShardProblem{path.string() + " cannot be read"};
  return readShardResult(text, path.string());
}

MergedRun mergeShards(std::span<const ShardResult> shards, std::span<const std::string> names) {
  if (shards.empty()) throw ShardProblem{"no shard result to merge"};
  const ShardResult& first = shards.front();
  const std::string& firstName = names.front();
  for (std::size_t s = 1; s < shards.size(); ++s) {
    const ShardResult& other = shards[s];
    const std::string another = names[s] + " is a shard of another run than " + firstName + ": ";
    if (other.command != first.command) throw ShardProblem{another + "of " + other.command + ", not " + first.command};
    if (other.version != first.version) {
      throw ShardProblem{another + "made by version " + other.version + ", not " + first.version};
    }
    if (other.dataDigest != first.dataDigest) throw ShardProblem{another + "its data differ"};
    if (other.seed != first.seed) {
      throw ShardProblem{another + "seed " + std::to_string(other.seed) + ", not " + std::to_string(first.seed)};
    }
    if (other.settings != first.settings) {
      throw ShardProblem{another + "its settings differ (" + firstDifference(first.settings, other.settings) + ")"};
    }
    if (other.run != first.run) throw ShardProblem{another + "its observed data's results differ"};
    if (other.shard.count != first.shard.count) {
      throw ShardProblem{another + "one of " + std::to_string(other.shard.count) + " shards, not of " +
                         std::to_string(first.shard.count)};
    }
  }

  const std::int32_t count = first.shard.count;
  std::map<std::int32_t, std::size_t> byIndex;
  for (std::size_t s = 0; s < shards.size(); ++s) {
    const auto [it, inserted] = byIndex.emplace(shards[s].shard.index, s);
    if (!inserted) {
      throw ShardProblem{"shard " + std::to_string(shards[s].shard.index) + " of " + std::to_string(count) +
                         " is given twice: " + names[it->second] + " and " + names[s]};
    }
  }
  // The missing shards, the first ten of them by number.
  const auto missingCount = static_cast<std::int64_t>(count) - static_cast<std::int64_t>(byIndex.size());
  std::string missing;
  int listed = 0;
  for (std::int32_t i = 1; i <= count && listed < std::min<std::int64_t>(missingCount, 10); ++i) {
    if (byIndex.contains(i)) continue;
    if (listed++ > 0) missing += ", ";
    missing += std::to_string(i);
  }
  if (missingCount > listed) missing += ", ...";
  if (missingCount > 0) {
    throw ShardProblem{(missingCount == 1 ? "shard " + missing + " of " + std::to_string(count) + " is missing"
                                          : "shards " + missing + " of " + std::to_string(count) + " are missing")};
  }

  MergedRun merged;
  merged.first = &first;
  const auto replications = first.settings.at("replications").get<std::int32_t>();
  BlockRows& rows = merged.rows;
  rows.block = {1, replications};
  rows.tables = EstimateTables(first.rows.tables.estimators(), replications);
  const bool evaluated = first.settings.value("evaluate", false);
  if (evaluated) {
    rows.evalMedian.emplace();
    rows.evalIntervals.emplace();
  }
  for (const auto& [index, s] : byIndex) {
    const BlockRows& part = shards[s].rows;
    if (evaluated != part.evalMedian.has_value() && part.block.size() > 0) {
      throw ShardProblem{names[s] + " is not a whole shard result: its rows " +
                         (evaluated ? "lack the evaluation" : "have an evaluation")};
    }
    for (int c = 1; c <= part.block.size(); ++c) {
      const int r = part.block.first + c - 1;
      for (int j = 1; j <= rows.tables.estimators(); ++j) {
        rows.tables.estimates(j, r) = part.tables.estimates(j, c);
        rows.tables.unobserved(j, r) = part.tables.unobserved(j, c);
      }
    }
    rows.components.insert(rows.components.end(), part.components.begin(), part.components.end());
    rows.observed.insert(rows.observed.end(), part.observed.begin(), part.observed.end());
    if (evaluated && part.evalMedian) {
      rows.evalMedian->insert(rows.evalMedian->end(), part.evalMedian->begin(), part.evalMedian->end());
      rows.evalIntervals->insert(rows.evalIntervals->end(), part.evalIntervals->begin(), part.evalIntervals->end());
    }
    merged.files.insert(merged.files.end(), shards[s].files.begin(), shards[s].files.end());
  }
  return merged;
}

}  // namespace tallyfold

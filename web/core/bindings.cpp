// The core's face to JavaScript (embind): one Core per module instance holds
// the configuration, the standard packer's generator and the open documents.
// Every entry point catches what the core throws and answers with plain data,
// so no C++ exception reaches JavaScript and a failed call leaves the module
// as it was. Bytes come in through buffers that JavaScript fills (Input) and
// go out as views of buffers that stay until the next call; web/core/
// tarvo-core.mjs turns both into the API of tarvo-core.d.ts.
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "check/check_output.h"
#include "check/lgp_check.h"
#include "check/text_marks.h"
#include "compile/compile_command.h"
#include "config/configuration.h"
#include "config/error.h"
#include "decompile/decompile_command.h"
#include "document/consistency.h"
#include "document/document.h"
#include "document/filters.h"
#include "document/measure.h"
#include "frame/run_command.h"
#include "memory/memory_index.h"
#include "memory/suggestions.h"
#include "merge/merge_document.h"
#include "merge/merge_lgp.h"
#include "merge/merge_report.h"
#include "web/core/module_frame.h"

namespace tarvo {

std::string_view DefaultConfigurationText();  // made from config/tarvo.ini at build time

namespace {

using emscripten::val;

val Failure(const std::string& message, const std::string& title = "Error") {
  val failure = val::object();
  failure.set("ok", false);
  failure.set("message", message);
  failure.set("title", title);
  return failure;
}

val Strings(const std::vector<std::string>& strings) {
  val array = val::array();
  for (const std::string& s : strings) array.call<void>("push", s);
  return array;
}

const char* KindName(MessageKind kind) {
  switch (kind) {
    case MessageKind::CropQuestion:
      return "crop";
    case MessageKind::MissingSignatureQuestion:
      return "missingSignature";
    case MessageKind::CompactQuestion:
      return "compact";
    case MessageKind::Notice:
      break;
  }
  return "notice";
}

val MessageValue(const Message& message) {
  val m = val::object();
  m.set("kind", std::string(KindName(message.Kind)));
  m.set("text", message.Text);
  m.set("title", message.Title);
  m.set("report", message.Report);
  return m;
}

val Messages(const std::vector<Message>& messages) {
  val array = val::array();
  for (const Message& m : messages) array.call<void>("push", MessageValue(m));
  return array;
}

bool Has(const val& object, const char* name) {
  return object.isUndefined() || object.isNull() ? false
                                                 : !object[name].isUndefined() && !object[name].isNull();
}

// The JavaScript callbacks (which the wrapper keeps from throwing) as listeners.
ModuleListeners Listeners(const val& callbacks) {
  ModuleListeners listeners;
  if (Has(callbacks, "status"))
    listeners.status = [callbacks](const std::string& text) { callbacks.call<void>("status", text); };
  if (Has(callbacks, "progress")) {
    listeners.progress = [callbacks](double done, double total) {
      callbacks.call<void>("progress", done, total);
    };
  }
  if (Has(callbacks, "message")) {
    listeners.message = [callbacks](const Message& m) { callbacks.call<void>("message", MessageValue(m)); };
  }
  if (Has(callbacks, "warnings")) {
    listeners.warnings = [callbacks](const std::vector<std::string>& w) {
      callbacks.call<void>("warnings", Strings(w));
    };
  }
  return listeners;
}

const char* PackingName(PackingStrategy strategy) {
  return strategy == PackingStrategy::Standard ? "standard" : "compact";
}

PackingStrategy PackingOf(const std::string& name) {
  return name == "compact" ? PackingStrategy::Compact : PackingStrategy::Standard;
}

MessageFilter FilterOf(const std::string& name) {
  static const std::map<std::string, MessageFilter> filters{
      {"untranslated", MessageFilter::Untranslated}, {"sameAsReference", MessageFilter::SameAsReference},
      {"withProblems", MessageFilter::WithProblems}, {"changed", MessageFilter::Changed},
      {"overlong", MessageFilter::Overlong},         {"inconsistent", MessageFilter::Inconsistent}};
  const auto found = filters.find(name);
  return found == filters.end() ? MessageFilter::All : found->second;
}

val GaugeValue(const PackingGauge& gauge) {
  val g = val::object();
  g.set("packed", gauge.Packed);
  g.set("failure", gauge.Failure);
  g.set("length", static_cast<double>(gauge.Length));
  g.set("sizeLimit", static_cast<double>(gauge.SizeLimit));
  g.set("spare", static_cast<double>(gauge.Spare));
  g.set("tablesFitFirstBlock", gauge.TablesFitFirstBlock);
  g.set("overlong", gauge.Overlong);
  g.set("fits", gauge.Fits);
  val payloads = val::array();
  for (std::int64_t p : gauge.Payloads) payloads.call<void>("push", static_cast<double>(p));
  g.set("payloads", payloads);
  return g;
}

const char* DiffKindName(DiffKind kind) {
  switch (kind) {
    case DiffKind::Added:
      return "added";
    case DiffKind::Removed:
      return "removed";
    case DiffKind::Same:
      break;
  }
  return "same";
}

val SuggestionValue(const Suggestion& s) {
  val suggestion = val::object();
  suggestion.set("source", s.Source);
  suggestion.set("target", s.Target);
  suggestion.set("score", s.Score);
  suggestion.set("origin", s.Origin);
  suggestion.set("message", s.Message);
  val difference = val::array();
  for (const DiffPiece& piece : s.Difference) {
    val p = val::object();
    p.set("kind", std::string(DiffKindName(piece.Kind)));
    p.set("text", piece.Text);
    difference.call<void>("push", p);
  }
  suggestion.set("difference", difference);
  return suggestion;
}

// A translation memory from another .lgp file: its bytes stay, as its
// entries depend on the languages edited and compared with.
struct MemoryFile {
  std::string name;
  std::vector<std::uint8_t> lgp;
};

// An open document, the latest measure of its texts (one packing or both)
// and the indexes its suggestions come from.
struct OpenDocument {
  explicit OpenDocument(Document opened) : document(std::move(opened)) {}

  Document document;
  DocumentMeasure measure;
  bool measured[2] = {false, false};  // standard, compact
  bool HasMeasure() const { return measured[0] || measured[1]; }

  MemoryIndex own;                          // the reference texts of `ownReference`
  std::optional<std::size_t> ownReference;  // none until asked
  std::vector<MemoryFile> memoryFiles;
  std::vector<MemoryIndex> memories;                               // of memoryFiles, for `memoriesFor`
  std::optional<std::pair<std::size_t, std::size_t>> memoriesFor;  // language, reference
};

class Core {
 public:
  Core() { LoadConfigurationText(DefaultConfigurationText(), config_); }

  // A buffer of `size` bytes for input `slot` (0 or 1), for JavaScript to
  // fill; 0 when there is no memory for it.
  std::uintptr_t Input(int slot, double size) {
    try {
      std::vector<std::uint8_t>& input = inputs_[slot & 1];
      input.clear();
      input.shrink_to_fit();
      input.resize(static_cast<std::size_t>(size));
      return reinterpret_cast<std::uintptr_t>(input.data());
    } catch (...) {
      return 0;
    }
  }

  val LoadConfig() {
    try {
      const std::vector<std::uint8_t>& ini = inputs_[0];
      Configuration config;
      LoadConfigurationText({reinterpret_cast<const char*>(ini.data()), ini.size()}, config);
      if (!IsUsable(config)) return Failure("Error reading configuration!");
      config_ = std::move(config);
      val result = val::object();
      result.set("ok", true);
      result.set("phoneTypes", PhoneTypes());
      return result;
    } catch (...) {
      return Failure("Error reading configuration!");
    }
  }

  val PhoneTypes() const {
    val names = val::array();
    for (const PhoneTypeRecord& type : config_.PhoneTypes) names.call<void>("push", type.Name);
    return names;
  }

  val Decompile(const std::string& name, bool signatures, bool hex, val callbacks) {
    try {
      ModuleFrame frame({}, Listeners(callbacks), signatures, hex);
      const std::vector<std::uint8_t>& image = inputs_[0];
      frame.SetStatusText("Analyzing...");
      if (image.empty()) return Failure("The flash file \"" + name + "\" is empty (0 bytes).");
      FrameLock lock(frame);
      const CommandResult result = RunCommand(frame, "Not enough memory to decompile \"" + name + "\".", [&] {
        std::optional<std::vector<std::uint8_t>> text = DecompileOnFrame(frame, image, name, config_);
        if (!text) return CommandResult{CommandOutcome::Failed, {}};
        output_ = std::move(*text);
        return CommandResult{};
      });
      if (result.Outcome != CommandOutcome::Done) return LastFailure(frame);
      val done = val::object();
      done.set("ok", true);
      done.set("lgp", OutputBytes());
      return done;
    } catch (...) {
      return Failure("Not enough memory to decompile \"" + name + "\".");
    }
  }

  // `image`: 1 when input 1 holds the image, 0 for none; `imageError` the
  // reason the image could not be read, said when the pack needs it.
  val Compile(const std::string& lgpName, bool haveImage, const std::string& imageName,
              const std::string& imageError, bool crop, bool compact, bool force, val callbacks) {
    const PivotRandom before = random_;
    try {
      ModuleFrame frame({crop, force, compact}, Listeners(callbacks));
      const std::vector<std::uint8_t>& text = inputs_[0];
      FlashSource flash{imageName, {}};
      if (haveImage) {
        flash.Read = [this] { return std::move(inputs_[1]); };
      } else if (!imageError.empty()) {
        flash.Read = [&]() -> std::vector<std::uint8_t> { throw Error(imageError); };
      }
      const PackingStrategy strategy = compact ? PackingStrategy::Compact : PackingStrategy::Standard;
      const bool answersCompactQuestion = compact && pendingCompact_ && pendingCompact_->first == text;
      CompiledImage compiled;
      std::optional<LgpReadStatus> notRead;
      FrameLock lock(frame);
      frame.SetStatusText("Reading...");
      frame.SetProgressMinimum(0);
      frame.SetProgressMaximum(100);
      frame.SetProgressValue(0);
      const CommandResult result =
          RunCommand(frame, "Not enough memory to compile \"" + lgpName + "\".", [&] {
            try {
              compiled = CompileImage(frame, text, flash, config_, random_, strategy);
            } catch (const LgpNotRead& e) {
              notRead = e.Status;
              return CommandResult{CommandOutcome::Silent, {}};
            }
            frame.SetProgressValue(frame.ProgressMaximum());
            return CommandResult{};
          });
      val answer = val::object();
      answer.set("messages", Messages(frame.Messages()));
      if (frame.Question()) {
        // Nothing was made: the retry with the answer packs as this try would have.
        // The generator stands where the standard packing left it.
        if (frame.Question()->Kind == MessageKind::CompactQuestion) pendingCompact_.emplace(text, random_);
        random_ = before;
        answer.set("ok", false);
        answer.set("question", MessageValue(*frame.Question()));
        return answer;
      }
      if (answersCompactQuestion && result.Outcome == CommandOutcome::Done) random_ = pendingCompact_->second;
      pendingCompact_.reset();
      answer.set("warnings", Strings(frame.Warnings()));
      if (result.Outcome != CommandOutcome::Done) {
        answer.set("ok", false);
        answer.set("silent", notRead.has_value());
        answer.set("empty", notRead == LgpReadStatus::EmptyFile);
        if (notRead) {
          answer.set("message", *notRead == LgpReadStatus::EmptyFile
                                    ? "The LGpack text \"" + lgpName + "\" is empty."
                                    : "The LGpack file \"" + lgpName +
                                          "\" does not begin with the UTF-16LE byte order mark (FF FE).");
          answer.set("title", std::string());
        } else {
          const Message* last = LastNotice(frame);
          answer.set("message", last ? last->Text : std::string());
          answer.set("title", last ? last->Title : std::string("Error"));
        }
        return answer;
      }
      output_ = std::move(compiled.Image);
      answer.set("ok", true);
      answer.set("image", OutputBytes());
      answer.set("languageFile", compiled.LanguageFile);
      answer.set("packStart", static_cast<double>(compiled.PackStart));
      answer.set("written", std::string(PackingName(compiled.Written)));
      answer.set("changedFrom", static_cast<double>(compiled.PackStart + compiled.Range.First));
      answer.set("changedTo", static_cast<double>(compiled.PackStart + compiled.Range.End));
      return answer;
    } catch (...) {
      random_ = before;
      return Failure("Not enough memory to compile \"" + lgpName + "\".");
    }
  }

  val Check(const std::string& name, int reference) {
    try {
      const CheckReport report = CheckLgp(inputs_[0], config_.Chars, reference - 1);
      val result = val::object();
      result.set("ok", true);
      result.set("json", CheckReportJson(report));
      result.set("text", CheckReportText(report));
      result.set("fits", report.Fits());
      result.set("read", report.Read);
      result.set("languages", report.Languages);
      return result;
    } catch (const Error& e) {
      return Failure(e.what());
    } catch (...) {
      return Failure("Not enough memory to check \"" + name + "\".");
    }
  }

  val Merge(const std::string& oldName, const std::string& newName, int language, int reference, bool fuzzy) {
    try {
      MergeResult merged = MergeLgp(inputs_[0], oldName, inputs_[1], newName, {language, reference, fuzzy});
      output_ = std::move(merged.Lgp);
      val result = val::object();
      result.set("ok", true);
      result.set("lgp", OutputBytes());
      result.set("summary", MergeSummaryText(merged.Report) + "\n" + MergeListText(merged.Report));
      result.set("json", MergeReportJson(merged.Report));
      return result;
    } catch (const Error& e) {
      return Failure(e.what());
    } catch (...) {
      return Failure("Not enough memory to merge \"" + oldName + "\" into \"" + newName + "\".");
    }
  }

  // The escapes and conversions of a text, where an editor marks them.
  val TextMarks(const std::u16string& text) {
    val marks = val::array();
    try {
      for (const TextMark& m : FindTextMarks(text)) {
        val mark = val::object();
        mark.set("start", m.Start);
        mark.set("length", m.Length);
        mark.set("kind", std::string(m.Kind == MarkKind::Escape ? "escape" : "conversion"));
        marks.call<void>("push", mark);
      }
    } catch (...) {
      // Out of memory: no marks.
    }
    return marks;
  }

  // Documents, by the number Open gives.
  val OpenLgp(const std::string& name) {
    return Open(name, [&] { return Document::FromLgp(std::move(inputs_[0]), name, config_); });
  }

  val OpenImage(const std::string& name, bool signatures, bool hex, val callbacks) {
    return Open(name, [&] {
      ModuleFrame frame({}, Listeners(callbacks));
      return Document::FromImage(inputs_[0], name, config_, signatures, hex, DecompileProgressOn(frame));
    });
  }

  void Close(int id) { documents_.erase(id); }

  // What a closed or unknown document answers: nothing, at every call.
  template <typename T, typename Read>
  T Guarded(T fallback, Read read) {
    try {
      return read();
    } catch (...) {
      return fallback;
    }
  }

  val Info(int id) {
    return Guarded(val::null(), [&] { return InfoOf(Doc(id).document); });
  }

  val InfoOf(const Document& d) {
    val info = val::object();
    info.set("name", d.Name());
    info.set("fromFlash", d.FromFlash());
    info.set("phoneType", d.PhoneTypeName());
    info.set("packSizeLimit", static_cast<double>(d.PackSizeLimit()));
    info.set("maxMsgId", d.MaxMsgId());
    info.set("messageCount", d.MessageCount());
    val ids = val::array();
    for (std::size_t l = 0; l < d.LanguageCount(); ++l) ids.call<void>("push", d.LangId(l));
    info.set("langIds", ids);
    info.set("hexNumbers", d.HexNumbers());
    info.set("revision", static_cast<double>(d.Revision()));
    info.set("modified", d.IsModified());
    info.set("changedCount", static_cast<double>(d.ChangedCount()));
    info.set("canUndo", d.CanUndo());
    info.set("canRedo", d.CanRedo());
    return info;
  }

  // Every message's text of a language (current or as opened), as UTF-16
  // units and lengths, for the wrapper to cut into strings.
  val Texts(int id, int language, bool original) {
    units_.clear();
    ints_.clear();
    const Document* document = Guarded<const Document*>(nullptr, [&] { return &Doc(id).document; });
    if (!document) return UnitsAndLengths();
    const Document& d = *document;
    for (std::int32_t m = 0; m < d.MessageCount(); ++m) {
      const std::u16string& text = original ? d.OriginalText(Index(language), m) : d.Text(Index(language), m);
      units_.append(text);
      ints_.push_back(static_cast<std::int32_t>(text.size()));
    }
    return UnitsAndLengths();
  }

  val Text(int id, int language, int message, bool original) {
    units_.clear();
    if (const auto found = documents_.find(id); found != documents_.end()) {
      const Document& d = found->second->document;
      units_ = original ? d.OriginalText(Index(language), message) : d.Text(Index(language), message);
    }
    ints_.assign(1, static_cast<std::int32_t>(units_.size()));
    return UnitsAndLengths();
  }

  bool IsChanged(int id, int language, int message) {
    return Guarded(false, [&] { return Doc(id).document.IsChanged(Index(language), message); });
  }
  bool CanEdit(int id, int language, int message) {
    return Guarded(false, [&] { return Doc(id).document.CanEdit(Index(language), message); });
  }

  bool AddEdit(int language, int message, const std::u16string& text) {
    return Guarded(false, [&] {
      edits_.push_back({Index(language), message, text});
      return true;
    });
  }

  val Apply(int id) {
    std::vector<DocumentEdit> edits = std::move(edits_);
    edits_.clear();
    return Edit(id, [&](Document& d) { d.Apply(std::move(edits)); });
  }

  double Undo(int id) {
    return Guarded(-1.0, [&] {
      Document& d = Doc(id).document;
      d.Undo();
      return static_cast<double>(d.Revision());
    });
  }

  double Redo(int id) {
    return Guarded(-1.0, [&] {
      Document& d = Doc(id).document;
      d.Redo();
      return static_cast<double>(d.Revision());
    });
  }

  val Problems(int id, int language, int message, int reference) {
    try {
      const OpenDocument& open = Doc(id);
      val problems = val::array();
      for (const MessageProblem& p : MessageProblems(open.document, Index(language), message,
                                                     Index(reference), config_.Chars, MeasureOf(open))) {
        val problem = val::object();
        problem.set("kind", p.Kind);
        problem.set("text", p.Text);
        problems.call<void>("push", problem);
      }
      // The editors name it beside the others; the filter "withProblems" leaves it out, as the window does.
      if (const auto inconsistency =
              InconsistencyProblem(open.document, Index(language), Index(reference), message)) {
        val problem = val::object();
        problem.set("kind", inconsistency->Kind);
        problem.set("text", inconsistency->Text);
        problems.call<void>("push", problem);
      }
      return problems;
    } catch (...) {
      return val::array();
    }
  }

  val Find(int id, int language, int reference, const std::string& filter, const std::u16string& search,
           bool searchReference, bool matchCase) {
    try {
      const OpenDocument& open = Doc(id);
      const MessageQuery query{Index(language), Index(reference), FilterOf(filter),
                               search,          searchReference,  matchCase};
      ints_ = FindMessages(open.document, query, config_.Chars, MeasureOf(open));
    } catch (...) {
      ints_.clear();
    }
    return val(emscripten::typed_memory_view(ints_.size(), ints_.data()));
  }

  // How often `find` stands in the language's texts, as find and replace counts it.
  double CountOccurrences(int id, int language, const std::u16string& find, bool matchCase) {
    try {
      const Document& d = Doc(id).document;
      std::size_t count = 0;
      for (std::int32_t m = 0; m < d.MessageCount(); ++m)
        count += tarvo::CountOccurrences(d.Text(Index(language), m), find, matchCase);
      return static_cast<double>(count);
    } catch (...) {
      return 0;
    }
  }

  int NextNeedingWork(int id, int language, int reference, int after) {
    try {
      const OpenDocument& open = Doc(id);
      for (std::int32_t m = std::max(after + 1, 0); m < open.document.MessageCount(); ++m) {
        if (NeedsWork(open.document, Index(language), Index(reference), m, config_.Chars, MeasureOf(open)))
          return m;
      }
    } catch (...) {
    }
    return -1;
  }

  val Counts(int id, int language, int reference) {
    MessageCounts counts;
    try {
      const OpenDocument& open = Doc(id);
      counts =
          CountMessages(open.document, Index(language), Index(reference), config_.Chars, MeasureOf(open));
    } catch (...) {
    }
    val result = val::object();
    result.set("withReference", counts.WithReference);
    result.set("translated", counts.Translated);
    result.set("withProblems", counts.WithProblems);
    result.set("changed", counts.Changed);
    return result;
  }

  // `inMessages`: only the messages the wrapper put into input 0 as 32-bit numbers.
  val ReplaceAll(int id, int language, const std::u16string& find, const std::u16string& replacement,
                 bool matchCase, bool inMessages) {
    std::size_t count = 0;
    val result = Edit(id, [&](Document& d) {
      std::vector<std::int32_t> messages;
      if (inMessages) {
        messages.resize(inputs_[0].size() / 4);
        std::copy_n(inputs_[0].data(), messages.size() * 4, reinterpret_cast<std::uint8_t*>(messages.data()));
      }
      Replacement replaced = tarvo::ReplaceAll(d, Index(language), find, replacement, matchCase, messages);
      count = replaced.Count;
      d.Apply(std::move(replaced.Edits));
    });
    if (result["ok"].as<bool>()) result.set("count", static_cast<double>(count));
    return result;
  }

  // Measures with "standard", "compact" or "" for both.
  val Measure(int id, const std::string& packing) {
    const auto found = documents_.find(id);
    if (found == documents_.end()) return Failure("The document is closed.");
    OpenDocument& open = *found->second;
    try {
      const MeasureSnapshot snapshot = TakeSnapshot(open.document, random_);
      if (open.measure.Revision != snapshot.Revision || !open.HasMeasure()) {
        open.measure = {};
        open.measured[0] = open.measured[1] = false;
      }
      open.measure.Revision = snapshot.Revision;
      open.measure.Unencodable = snapshot.Unencodable;
      for (PackingStrategy strategy : {PackingStrategy::Standard, PackingStrategy::Compact}) {
        if (!packing.empty() && PackingOf(packing) != strategy) continue;
        const int index = strategy == PackingStrategy::Standard ? 0 : 1;
        (index == 0 ? open.measure.Standard : open.measure.Compact) = MeasureGauge(snapshot, strategy);
        open.measured[index] = true;
      }
    } catch (...) {
      // Out of memory: the figures stay those of the last measure.
    }
    val measure = val::object();
    measure.set("revision", static_cast<double>(open.measure.Revision));
    measure.set("unencodable", open.measure.Unencodable);
    if (open.measured[0]) measure.set("standard", GaugeValue(open.measure.Standard));
    if (open.measured[1]) measure.set("compact", GaugeValue(open.measure.Compact));
    return measure;
  }

  val StringCost(int id, const std::string& packing, int language, const std::u16string& text) {
    try {
      const OpenDocument& open = Doc(id);
      const int index = PackingOf(packing) == PackingStrategy::Standard ? 0 : 1;
      if (!open.measured[index]) return val::null();
      const auto cost =
          tarvo::StringCost(open.measure, PackingOf(packing), Index(language), text, config_.Chars);
      return cost ? val(static_cast<double>(*cost)) : val::null();
    } catch (...) {
      return val::null();
    }
  }

  val SaveBytes(int id) {
    try {
      output_ = Doc(id).document.SaveBytes();
      val result = val::object();
      result.set("ok", true);
      result.set("bytes", OutputBytes());
      return result;
    } catch (const Error& e) {
      return Failure(e.what());
    } catch (...) {
      return Failure("Not enough memory to save the texts.");
    }
  }

  void MarkSaved(int id) {
    if (const auto found = documents_.find(id); found != documents_.end())
      found->second->document.MarkSaved();
  }

  // Up to `limit` suggestions for `message`, as the window's panel shows them.
  val Suggestions(int id, int language, int reference, int message, int limit) {
    val list = val::array();
    try {
      OpenDocument& open = Doc(id);
      if (open.ownReference != Index(reference)) {
        open.own = DocumentMemory(open.document, Index(reference));
        open.ownReference = Index(reference);
      }
      for (const Suggestion& s : Suggest(open.document, Index(language), Index(reference), message, open.own,
                                         MemoriesFor(open, Index(language), Index(reference)),
                                         static_cast<std::size_t>(std::max(limit, 0)))) {
        list.call<void>("push", SuggestionValue(s));
      }
    } catch (...) {
      // Out of memory: no suggestions.
    }
    return list;
  }

  // Input 0 holds the .lgp; it must serve `language` and `reference` now.
  // A file of the name given before takes the place of the old one.
  val AddMemory(int id, const std::string& name, int language, int reference) {
    try {
      OpenDocument& open = Doc(id);
      LgpMemoryEntries(inputs_[0], name, config_, open.document, Index(language), Index(reference));
      std::erase_if(open.memoryFiles, [&](const MemoryFile& file) { return file.name == name; });
      open.memoryFiles.push_back({name, std::move(inputs_[0])});
      open.memoriesFor.reset();
      val result = val::object();
      result.set("ok", true);
      return result;
    } catch (const Error& e) {
      return Failure(e.what());
    } catch (...) {
      return Failure("Not enough memory to read " + name + ".");
    }
  }

  void ClearMemories(int id) {
    if (const auto found = documents_.find(id); found != documents_.end()) {
      found->second->memoryFiles.clear();
      found->second->memories.clear();
      found->second->memoriesFor.reset();
    }
  }

  // Gives every message with the reference text of `message` its translation: one undo step.
  val UseTranslationForAll(int id, int language, int reference, int message) {
    std::size_t count = 0;
    val result = Edit(id, [&](Document& d) {
      std::vector<DocumentEdit> edits =
          tarvo::UseTranslationForAll(d, Index(language), Index(reference), message);
      count = edits.size();
      if (!edits.empty()) d.Apply(std::move(edits));
    });
    if (result["ok"].as<bool>()) result.set("count", static_cast<double>(count));
    return result;
  }

  val CarryFrom(int id, const std::string& oldName, int language, int reference) {
    std::string summary;
    int changed = 0;
    val result = Edit(id, [&](Document& d) {
      DocumentMerge merge = PlanDocumentMerge(inputs_[0], oldName, d, Index(language), Index(reference));
      summary = DocumentMergeText(merge);
      changed = merge.Report.Changed;
      d.Apply(std::move(merge.Edits));
    });
    if (result["ok"].as<bool>()) {
      result.set("summary", summary);
      result.set("changed", changed);
    }
    return result;
  }

 private:
  static std::size_t Index(int language) {
    return language < 0 ? std::size_t(-1) : static_cast<std::size_t>(language);
  }

  static const Message* LastNotice(const ModuleFrame& frame) {
    const auto& messages = frame.Messages();
    for (auto it = messages.rbegin(); it != messages.rend(); ++it) {
      if (it->Kind == MessageKind::Notice) return &*it;
    }
    return nullptr;
  }

  static val LastFailure(const ModuleFrame& frame) {
    const Message* last = LastNotice(frame);
    return last ? Failure(last->Text, last->Title) : Failure("Stopped!");
  }

  val OutputBytes() { return val(emscripten::typed_memory_view(output_.size(), output_.data())); }

  val UnitsAndLengths() {
    val result = val::object();
    result.set("units", val(emscripten::typed_memory_view(
                            units_.size(), reinterpret_cast<const std::uint16_t*>(units_.data()))));
    result.set("lengths", val(emscripten::typed_memory_view(ints_.size(), ints_.data())));
    return result;
  }

  OpenDocument& Doc(int id) {
    const auto found = documents_.find(id);
    if (found == documents_.end()) throw Error("The document is closed.");
    return *found->second;
  }

  template <typename Opener>
  val Open(const std::string& name, Opener open) {
    try {
      auto opened = std::make_unique<OpenDocument>(open());
      const int id = nextDocument_++;
      documents_.emplace(id, std::move(opened));
      val result = val::object();
      result.set("ok", true);
      result.set("id", id);
      return result;
    } catch (const Error& e) {
      return Failure(e.what());
    } catch (...) {
      return Failure("Not enough memory to open " + name + ".");
    }
  }

  // Runs an edit of the document; the result names its new revision.
  template <typename Change>
  val Edit(int id, Change change) {
    try {
      Document& d = Doc(id).document;
      change(d);
      val result = val::object();
      result.set("ok", true);
      result.set("revision", static_cast<double>(d.Revision()));
      return result;
    } catch (const Error& e) {
      return Failure(e.what());
    } catch (...) {
      return Failure("Not enough memory for the edit.");
    }
  }

  // The memories' indexes for these languages; a file that has not both
  // (it was added for others) gives none.
  const std::vector<MemoryIndex>& MemoriesFor(OpenDocument& open, std::size_t language,
                                              std::size_t reference) const {
    const std::pair wanted{language, reference};
    if (open.memoriesFor == wanted) return open.memories;
    std::vector<MemoryIndex> memories;
    for (const MemoryFile& file : open.memoryFiles) {
      try {
        memories.emplace_back(
            LgpMemoryEntries(file.lgp, file.name, config_, open.document, language, reference));
      } catch (const Error&) {
      }
    }
    open.memories = std::move(memories);
    open.memoriesFor = wanted;
    return open.memories;
  }

  const DocumentMeasure* MeasureOf(const OpenDocument& open) const {
    return open.HasMeasure() ? &open.measure : nullptr;
  }

  Configuration config_;
  PivotRandom random_;
  // The text and the generator after its standard packing, of a compile that
  // stopped at the compact question: its retry with compact packing leaves
  // the generator where the window's answer would have.
  std::optional<std::pair<std::vector<std::uint8_t>, PivotRandom>> pendingCompact_;
  std::vector<std::uint8_t> inputs_[2];
  std::vector<std::uint8_t> output_;
  std::u16string units_;
  std::vector<std::int32_t> ints_;
  std::vector<DocumentEdit> edits_;
  std::map<int, std::unique_ptr<OpenDocument>> documents_;
  int nextDocument_ = 1;
};

std::string Version() { return TARVO_VERSION; }

}  // namespace

}  // namespace tarvo

EMSCRIPTEN_BINDINGS(tarvo_core) {
  using tarvo::Core;
  emscripten::function("version", &tarvo::Version);
  emscripten::class_<Core>("Core")
      .constructor<>()
      .function("input", &Core::Input)
      .function("loadConfig", &Core::LoadConfig)
      .function("phoneTypes", &Core::PhoneTypes)
      .function("decompile", &Core::Decompile)
      .function("compile", &Core::Compile)
      .function("check", &Core::Check)
      .function("merge", &Core::Merge)
      .function("textMarks", &Core::TextMarks)
      .function("openLgp", &Core::OpenLgp)
      .function("openImage", &Core::OpenImage)
      .function("close", &Core::Close)
      .function("info", &Core::Info)
      .function("texts", &Core::Texts)
      .function("text", &Core::Text)
      .function("isChanged", &Core::IsChanged)
      .function("canEdit", &Core::CanEdit)
      .function("addEdit", &Core::AddEdit)
      .function("apply", &Core::Apply)
      .function("undo", &Core::Undo)
      .function("redo", &Core::Redo)
      .function("problems", &Core::Problems)
      .function("find", &Core::Find)
      .function("nextNeedingWork", &Core::NextNeedingWork)
      .function("countOccurrences", &Core::CountOccurrences)
      .function("counts", &Core::Counts)
      .function("replaceAll", &Core::ReplaceAll)
      .function("measure", &Core::Measure)
      .function("stringCost", &Core::StringCost)
      .function("saveBytes", &Core::SaveBytes)
      .function("markSaved", &Core::MarkSaved)
      .function("carryFrom", &Core::CarryFrom)
      .function("suggestions", &Core::Suggestions)
      .function("addMemory", &Core::AddMemory)
      .function("clearMemories", &Core::ClearMemories)
      .function("useTranslationForAll", &Core::UseTranslationForAll);
}

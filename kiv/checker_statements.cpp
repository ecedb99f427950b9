#include "kiv/checker_statements.h"

#include <string>

#include "assembly/mnemonic_table.h"
#include "assembly/number_parser.h"
#include "common/instruction_word.h"
#include "kiv/operand_roles.h"
#include "kiv/statement_walker.h"

namespace kiv::tool {

ProgramFacts StatementWalker::Run() {
  while (pos_ < text_.size() && !stopped_) {
    std::string_view token;
    if (!NextOnLine(token)) {
      ++pos_;  // past the line end
      line_instruction_ = nullptr;
      continue;
    }
    if (!Statement(token)) SkipRestOfLine();
  }
  if (section_open_) {
    // Without its .text the back end counts one index per pair: the section
    // ends there, short of the index the front end reached.
    facts_.sections.push_back(SectionFact{section_offset_, text_.size(), section_start_,
                                          section_start_ + section_pairs_});
  }
  facts_.end_index = index_;
  return std::move(facts_);
}

bool StatementWalker::NextOnLine(std::string_view& token) {
  while (pos_ < text_.size() && IsLineSpace(text_[pos_])) ++pos_;
  if (pos_ >= text_.size() || text_[pos_] == '\n') return false;
  const size_t start = pos_;
  while (pos_ < text_.size() && !IsSpace(text_[pos_])) ++pos_;
  token = text_.substr(start, pos_ - start);
  return true;
}

std::string_view StatementWalker::TokenAfter(size_t from) const {
  while (from < text_.size() && IsSpace(text_[from])) ++from;
  size_t end = from;
  while (end < text_.size() && !IsSpace(text_[end])) ++end;
  return text_.substr(from, end - from);
}

void StatementWalker::SkipRestOfLine() {
  const size_t end = text_.find('\n', pos_);
  pos_ = end == std::string_view::npos ? text_.size() : end;
}

void StatementWalker::Record(std::string_view token) {
  facts_.statements.push_back(
      StatementFact{Offset(token), index_, static_cast<uint32_t>(token.size())});
}

bool StatementWalker::Statement(std::string_view token) {
  if (token.find(':') != std::string_view::npos) return LabelToken(token);
  const assembly::Classification classification = assembly::Classify(token);
  switch (classification.kind) {
    case assembly::TokenKind::kLabelDefinition:
      return true;
    case assembly::TokenKind::kDirective:
      return Directive(token, classification.cls);
    case assembly::TokenKind::kInstruction:
      return Instruction(token, *classification.mnemonic);
    case assembly::TokenKind::kNotFound:
      break;
  }
  UnknownStatement(token);
  return false;
}

// The programs skip a token holding a colon whole: a statement glued to the
// colon is lost.
bool StatementWalker::LabelToken(std::string_view token) {
  const size_t colon = token.rfind(':');
  if (colon + 1 == token.size()) return true;
  const std::string_view glued = token.substr(colon + 1);
  report_.Error(Offset(token) + colon + 1, glued.size(),
                "no blank after the colon: " + Quoted(token) +
                    " is read as one label definition and " + Quoted(glued) +
                    " is skipped with it; write a blank after the colon");
  return false;
}

void StatementWalker::UnknownStatement(std::string_view token) {
  const size_t offset = Offset(token);
  if (line_instruction_ != nullptr) {
    report_.Error(offset, token.size(),
                  "extra operand " + Quoted(token) + ": " + Quoted(line_instruction_token_) +
                      " takes " + std::to_string(OperandCount(*line_instruction_)) +
                      ", and the programs would read " + Quoted(token) + " as the next statement");
    return;
  }
  const size_t after = pos_;
  std::string_view next;
  const bool followed = NextOnLine(next);
  pos_ = after;
  if (followed && next.front() == ':') {
    report_.Error(offset, token.size(),
                  "unknown mnemonic " + Quoted(token) +
                      ": a blank before the colon makes a label the programs cannot name; "
                      "write " +
                      Quoted(std::string(token) + ":"));
    return;
  }
  if (followed && next.back() == ':' && next.find(':') == next.size() - 1) {
    report_.Error(offset, token.size(),
                  "unknown mnemonic " + Quoted(token) +
                      ": a label name cannot hold a blank; write it as one word, such as " +
                      Quoted(std::string(token) + "_" + std::string(next)));
    return;
  }
  std::string lower(token);
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  const bool known_lower = assembly::Classify(lower).kind != assembly::TokenKind::kNotFound;
  const std::string_view kind = token.front() == '.' ? "directive" : "mnemonic";
  std::string message = "unknown " + std::string(kind) + " " + Quoted(token);
  if (known_lower && lower != token) {
    message += ": names are case-sensitive, write " + Quoted(lower);
  } else if (token == ".data") {
    message += ": a data section is opened with .rdata";
  }
  report_.Error(offset, token.size(), std::move(message));
}

ProgramFacts WalkStatements(std::string_view formatted, const SourceMap& lines,
                            const assembly::LabelTable& labels, Report& report) {
  return StatementWalker(formatted, lines, labels, report).Run();
}

}  // namespace kiv::tool

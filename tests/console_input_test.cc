// SPDX-License-Identifier: GPL-3.0-or-later
// The field parser, over a typed line and over a redirected stream.

#include "console/console_input.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "memory_input.h"

namespace {

std::pair<std::string, FieldFit> fromLine(const std::string& line) {
  InputContext input;
  input.line = line;
  std::string field = parseTextField(input);
  return {field, fieldFit(input)};
}

// The field, and what follows it in the stream unread by the parser.
std::pair<std::string, std::string> fromStream(const std::string& bytes) {
  MemoryStream stream{bytes};
  InputContext input;
  input.stream = {readMemoryStream, &stream};
  std::string field = parseTextField(input);
  const std::size_t unread = stream.next - static_cast<std::size_t>(unusedStreamBytes(input));
  return {field, bytes.substr(unread)};
}

const std::string k4096(4096, 'x');

TEST(ParseTextFieldTest, FieldsOfALine) {
  const FieldFit followed = FieldFit::Followed, cut = FieldFit::Cut;
  struct Case {
    std::string line, field;
    FieldFit fit = FieldFit::Whole;
  };
  const Case cases[] = {
      {"C:\\RADIO\\MY.DAT", "C:\\RADIO\\MY.DAT"},
      {"  C:\\My Files\\MY.DAT", "C:\\My Files\\MY.DAT"},
      {"\t \tMY.DAT", "MY.DAT"},
      {"MY.DAT  ", "MY.DAT  "},
      {"MY.DAT,OLD.DAT", "MY.DAT", followed},
      {"MY.DAT, \t", "MY.DAT"},
      {"MY.DAT,,", "MY.DAT", followed},
      {"\"C:\\A,B\\MY.DAT\" REST", "C:\\A,B\\MY.DAT", followed},
      {"\"MY.DAT\" ,  ", "MY.DAT"},
      {"\"MY.DAT", "MY.DAT"},
      {"AB\"C.DAT", "AB\"C.DAT"},
      {"   ", ""},
      {"", ""},
      {"\"\"", ""},
      {"\"  A B \"", "  A B "},
      {"MY.DAT\nX", "MY.DAT"},
      {"MY.DAT\rX", "MY.DAT"},
      {"\"MY.DAT\nX\"", "MY.DAT"},
      {"\"A\"B", "A", followed},
      {std::string("MY\0.DAT", 7), "MY"},
      {std::string("\0MY.DAT", 7), ""},
      {"\xe9t\xe9.DAT", "\xe9t\xe9.DAT"},
      {k4096 + "yz", k4096, cut},
      {k4096 + " ", k4096, cut},
      {"\"" + k4096 + "yz\"", k4096, cut},
      {k4096, k4096},
      {k4096 + ",", k4096},
      {"\"" + k4096 + "\"", k4096},
      {"\"" + k4096 + "\" X", k4096, followed},
      {std::string(4095, 'x') + "y", std::string(4095, 'x') + "y"},
      {",MY.DAT", "", followed},
  };
  for (const Case& c : cases)
    EXPECT_EQ(fromLine(c.line), std::pair(c.field, c.fit)) << '"' << c.line << '"';
}

TEST(ParseTextFieldTest, RedirectedStreamRulesAndWhatStaysUnread) {
  struct Case {
    std::string bytes, field, unread;
  };
  const Case cases[] = {
      {"MY.DAT\r\nNEXT", "MY.DAT", "NEXT"},
      {"MY.DAT\nNEXT", "MY.DAT", "NEXT"},
      {"MY.DAT\rNEXT", "MY.DAT", "NEXT"},
      {"MY.DAT\r\rNEXT", "MY.DAT", "\rNEXT"},
      {"MY.DAT,NEXT", "MY.DAT", "NEXT"},
      {"MY\x1A.DAT\nNEXT", "MY", ".DAT\nNEXT"},
      {"\x1A"
       "MY.DAT",
       "", "MY.DAT"},
      {"", "", ""},
      {"\r\n", "", ""},
      {"\"A B\" \r\nNEXT", "A B", "NEXT"},
      {"\"A B\"  X", "A B", "X"},
      {"\"A B\"\rX", "A B", "X"},
      {"\"A B\"\r\nX", "A B", "X"},
      {k4096 + "\r\nNEXT", k4096, "NEXT"},
      {k4096 + "yz", k4096, "yz"},
      {k4096 + "  ,NEXT", k4096, "NEXT"},
      {k4096 + "\rX", k4096, "X"},
  };
  for (const Case& c : cases) {
    const auto [field, unread] = fromStream(c.bytes);
    EXPECT_EQ(field, c.field) << '"' << c.bytes << '"';
    EXPECT_EQ(unread, c.unread) << '"' << c.bytes << '"';
  }
}

// The text-mode rules are for redirected input only: in a typed line 0x1A is
// a character like any other.
TEST(ParseTextFieldTest, TextModeIsForRedirectedInputOnly) {
  struct Case {
    std::string bytes, fromLine, fromStream;
  };
  const Case cases[] = {
      {"MY\x1A.DAT", "MY\x1A.DAT", "MY"},
      {"\"A\x1A B\"", "A\x1A B", "A"},
      {"\x1A", "\x1A", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fromLine(c.bytes).first, c.fromLine) << '"' << c.bytes << '"';
    EXPECT_EQ(fromStream(c.bytes).first, c.fromStream) << '"' << c.bytes << '"';
  }
}

// Standard input left non-blocking by an earlier program: the read waits for
// the byte that comes later instead of taking the empty pipe for its end.
// The typed line is drawn on the output, or on the console or terminal apart
// from it, and otherwise left to the terminal's own echo: never typed blind.
TEST(TypedLineViewTest, NeverBlind) {
  struct Case {
    OutputMode mode;
    bool echoApart;
    TypedLineView view;
  };
  const Case cases[] = {{OutputMode::Window, false, TypedLineView::Output},
                        {OutputMode::Window, true, TypedLineView::Output},
                        {OutputMode::Stream, true, TypedLineView::Apart},
                        {OutputMode::Stream, false, TypedLineView::OwnEcho}};
  for (const Case& c : cases) EXPECT_EQ(typedLineView(c.mode, c.echoApart), c.view);
}

TEST(StandardInputTest, NonBlockingInputIsWaitedFor) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  fcntl(ends[0], F_SETFL, fcntl(ends[0], F_GETFL) | O_NONBLOCK);
  const int savedInput = dup(STDIN_FILENO);
  dup2(ends[0], STDIN_FILENO);
  std::thread typist([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(write(ends[1], "A", 1), 1);
  });
  const int got = readStandardInputByte(nullptr, -1);
  typist.join();
  dup2(savedInput, STDIN_FILENO);
  for (const int descriptor : {savedInput, ends[0], ends[1]}) close(descriptor);
  EXPECT_EQ(got, 'A');
}

}  // namespace

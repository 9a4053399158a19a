// The text form of streamed objects and its conversion to and from the binary form.
//
//   object MainForm: TMainForm
//     Caption = 'Frames'#13'and layers'
//     Items.Strings = (
//       'one'
//       'two')
//     object OkButton: TButton
//       OnClick = OkButtonClick
//     end
//   end
#pragma once

#include "platform/vcl/Exceptions.h"

#include <string>

namespace vcl {

class TStream;

// A malformed text form; the message names the line, "Line 12: ...".
LOOMWICK_EXCEPTION(EParserError, Exception);

// Reads one object in the text form from input and appends its binary form (with the signature) to output.
// Raises EParserError naming the line on malformed text.
void ObjectTextToBinary(TStream& input, TStream& output);
// Reads one object in the binary form and appends its text form to output. Raises EReadError on damaged
// data.
void ObjectBinaryToText(TStream& input, TStream& output);

std::string ObjectTextToBinary(const std::string& text);
std::string ObjectBinaryToText(const std::string& binary);

} // namespace vcl

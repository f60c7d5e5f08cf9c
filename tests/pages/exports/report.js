// Hands a keyed text to the game through batchUploadImg as "key=value". The game reads each
// message into a 255-byte field, so longer texts go in numbered pieces, "key#i/n=piece", that
// the test puts back together. Pieces never split a surrogate pair.
function report(key, value) {
  var text = String(value);
  var size = /^[\x00-\x7f]*$/.test(text) ? 200 : 60;
  if (text.length <= size) {
    batchUploadImg(key + '=' + text);
    return;
  }
  var pieces = [];
  for (var at = 0; at < text.length;) {
    var end = Math.min(at + size, text.length);
    var last = text.charCodeAt(end - 1);
    if (end < text.length && last >= 0xd800 && last <= 0xdbff) --end;
    pieces.push(text.substring(at, end));
    at = end;
  }
  for (var i = 0; i < pieces.length; ++i)
    batchUploadImg(key + '#' + i + '/' + pieces.length + '=' + pieces[i]);
}

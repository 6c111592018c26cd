// What a click makes Windows do, in plain words, read from the trace of the simulated machine.

// The value of name=… in a trace line: a quoted text (verbatim, quotes and all inside), none,
// or a bare word.
export function field(line, name) {
  const match = line.match(new RegExp(` ${name}=(none|"(.*?)"|(\\S*))(?= [A-Za-z]+=|$)`));
  if (!match) return undefined;
  if (match[1] === 'none') return null;
  return match[2] ?? match[3];
}

// Adds to said, the sentences for the trace lines of one event so far, those for its next lines.
export function addWords(said, lines) {
  for (const line of lines) {
    const call = line.split(' ', 1)[0];
    if (call === 'CreateProcessW' && field(line, 'result') === 'started') {
      const dir = field(line, 'dir');
      said.push(`starts ${field(line, 'cmdline')} in ${dir ?? "the menu's current folder"}`);
    } else if (call === 'ShellExecuteExW') {
      const params = field(line, 'params');
      said.push(
        `starts ${field(line, 'file')}${params ? ` with ${params}` : ''} through the shell, ` +
          'which asks for administrator rights first',
      );
    } else if (call === 'WaitForSingleObject' && said.length > 0 && !said.at(-1).endsWith('waits for it')) {
      said[said.length - 1] += ' and waits for it';
    } else if (call === 'ShellExecuteW') {
      const dir = field(line, 'dir');
      said.push(`opens ${field(line, 'file')} through the shell${dir ? ` in ${dir}` : ''}`);
    } else if (call === 'PostMessageW' && field(line, 'msg') === '1025') {
      said.push('rebuilds the menu');
    } else if (call === 'DefWindowProcW' && field(line, 'msg') === '16') {
      // The window closes, whether a CLOSE command or Alt+F4 asked for it.
      said.push('closes the menu');
    }
  }
}

// orvex-web: answers while one types. Every page works without this script;
// with it, the acronym box shows the entry, the other acronyms starting with
// what was typed and the suggestions as the letters come. Text from the
// dictionary only ever reaches the page as text (textContent), never as
// markup.
(function () {
  'use strict';
  var box = document.getElementById('acronym');
  var live = document.getElementById('live');
  var main = document.getElementById('main');
  if (!box || !live || !main || !window.fetch) {
    return;
  }
  var timer = null;
  var asked = 0;

  function element(name, text, className) {
    var made = document.createElement(name);
    if (text !== undefined && text !== null) {
      made.textContent = text;
    }
    if (className) {
      made.className = className;
    }
    return made;
  }

  // Stored text isolated from the text around it in both directions.
  function isolated(text) {
    return element('bdi', text);
  }

  function permalink(acronym) {
    return '/a/' + encodeURIComponent(acronym);
  }

  function acronymList(acronyms, className) {
    var list = element('ul', null, className);
    acronyms.forEach(function (acronym) {
      var link = element('a');
      link.href = permalink(acronym);
      link.appendChild(isolated(acronym));
      var item = element('li');
      item.appendChild(link);
      list.appendChild(item);
    });
    return list;
  }

  function heading(level, words, text) {
    var made = element(level, words);
    if (text !== undefined) {
      made.appendChild(isolated(text));
    }
    return made;
  }

  function answer(status, found, starting) {
    var parts = [];
    var key = found.acronym;
    if (status === 200) {
      parts.push(heading('h2', '', key));
      var meanings = found.meanings;
      if (meanings.length === 1) {
        var meaning = element('p', null, 'meaning');
        meaning.appendChild(isolated(meanings[0]));
        parts.push(meaning);
      } else if (meanings.length > 1) {
        var list = element('ol', null, 'meanings');
        meanings.forEach(function (text) {
          var item = element('li');
          item.appendChild(isolated(text));
          list.appendChild(item);
        });
        parts.push(list);
      } else {
        parts.push(element('p', 'The stored definition is empty.', 'note'));
      }
      var link = element('a', 'Link to this entry');
      link.href = permalink(key);
      var paragraph = element('p', null, 'permalink');
      paragraph.appendChild(link);
      parts.push(paragraph);
    } else {
      parts.push(heading('h2', 'No definition found for ', key));
    }
    var others = starting.filter(function (acronym) {
      return acronym !== key;
    }).slice(0, 10);
    if (others.length > 0) {
      parts.push(heading('h3', status === 200 ? 'Also starting with ' : 'Starting with ', key));
      parts.push(acronymList(others, 'acronyms'));
    }
    if (status !== 200 && found.suggestions && found.suggestions.length > 0) {
      parts.push(heading('h3', 'Did you mean'));
      parts.push(acronymList(found.suggestions, 'acronyms suggestions'));
    }
    return parts;
  }

  function show(parts) {
    var section = element('section');
    section.setAttribute('aria-label', 'Answer as you type');
    parts.forEach(function (part) {
      section.appendChild(part);
    });
    live.replaceChildren(section);
    main.hidden = true;
  }

  function clear() {
    live.replaceChildren();
    main.hidden = false;
  }

  function json(response) {
    return response.json().then(function (body) {
      return {status: response.status, body: body};
    });
  }

  function ask() {
    var typed = box.value;
    // Spaces around it do not count, as in a lookup.
    if (typed.replace(/^ +| +$/g, '') === '') {
      asked += 1;
      clear();
      return;
    }
    var mine = ++asked;
    var query;
    try {
      query = encodeURIComponent(typed);
    } catch (error) {
      return; // half of a character pair while it is being typed
    }
    Promise.all([
      fetch('/api/v1/lookup?acronym=' + query).then(json),
      fetch('/api/v1/acronyms?limit=11&prefix=' + query).then(json)
    ]).then(function (answers) {
      if (mine !== asked) {
        return;
      }
      var lookup = answers[0];
      if (lookup.status !== 200 && lookup.status !== 404) {
        show([element('p', lookup.body.error || 'The dictionary cannot be read just now.', 'problem')]);
        return;
      }
      show(answer(lookup.status, lookup.body, answers[1].body.acronyms || []));
    }).catch(function () {
      if (mine === asked) {
        show([element('p', 'The dictionary cannot be reached just now.', 'problem')]);
      }
    });
  }

  box.addEventListener('input', function () {
    window.clearTimeout(timer);
    timer = window.setTimeout(ask, 120);
  });
}());

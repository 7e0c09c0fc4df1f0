// The browser's side of the web host: the canvas, Web Audio, the persistent
// folder and the page's own events. Called from WebHost.cpp; each function
// is small and does one thing the C++ side cannot reach.
mergeInto(LibraryManager.library, {
  $KorvathPage: {
    canvas: null,
    context: null,
    audio: null,         // the AudioContext, made at once and resumed on the first input
    kinds: null,         // gain nodes: [effects, music]
    sounds: [],          // by id: {buffer, music}
    loops: [],           // by handle: {source, gain}
    syncing: false,
    syncAgain: false,
    storageLine: false,   // the line on storage is said once
    noStorage: false,     // the browser has no IndexedDB: the folder stays in memory
    played: [],          // the names of the sounds asked for, for the page's tests
    journalKey: 'korvath-journal',
    journalMost: 262144,  // bytes of a file the journal keeps: the records, not the replays
    replayJournal: function (dir) {
      var text = null;
      try { text = localStorage.getItem(KorvathPage.journalKey); } catch (e) {}
      if (!text) return;
      try {
        var files = JSON.parse(text);
        // The journal holds every small file the page had: one it lacks was removed.
        FS.readdir(dir).forEach(function (name) {
          var st = FS.stat(dir + '/' + name);
          if (FS.isFile(st.mode) && st.size <= KorvathPage.journalMost && !(name in files))
            FS.unlink(dir + '/' + name);
        });
        Object.keys(files).forEach(function (name) {
          if (name.indexOf('/') >= 0) return;
          var raw = atob(files[name]);
          var bytes = new Uint8Array(raw.length);
          for (var i = 0; i < raw.length; i++) bytes[i] = raw.charCodeAt(i);
          FS.writeFile(dir + '/' + name, bytes);
        });
      } catch (e) {
        console.warn('korvath: the journal of the last visit could not be read');
      }
      KorvathPage.journal++;
    },
    journal: 0,           // the journals written (or put back): dropped once IndexedDB holds the last
    say: function (text) {
      var line = document.getElementById('status');
      if (line) line.textContent = text;
    },
  },

  korvath_page_open__deps: ['$KorvathPage'],
  korvath_page_open: function () {
    var P = KorvathPage;
    P.canvas = document.getElementById('canvas');
    P.context = P.canvas.getContext('2d', {alpha: false});
    window.korvathSounds = P.played;
    var Audio = window.AudioContext || window.webkitAudioContext;
    if (Audio) {
      P.audio = new Audio();
      P.kinds = [P.audio.createGain(), P.audio.createGain()];
      P.kinds.forEach(function (g) { g.connect(P.audio.destination); });
      // Browsers start sound only after the player touched the page.
      var start = function () { if (P.audio.state === 'suspended' && !document.hidden) P.audio.resume(); };
      ['keydown', 'mousedown', 'touchstart', 'pointerdown'].forEach(function (e) {
        window.addEventListener(e, start, true);
      });
    }
    window.addEventListener('resize', function () { _korvath_page_resized(); });
    document.addEventListener('visibilitychange', function () {
      if (P.audio) { if (document.hidden) P.audio.suspend(); }
      _korvath_page_hidden(document.hidden ? 1 : 0);
    });
    window.addEventListener('pagehide', function () { _korvath_page_hidden(1); });
  },

  korvath_page_size__deps: ['$KorvathPage'],
  korvath_page_size: function (sizes) {
    // Display pixels of the window, then the ratio of display to CSS pixels times 1000.
    var ratio = window.devicePixelRatio || 1;
    HEAP32[sizes >> 2] = Math.floor(window.innerWidth * ratio);
    HEAP32[(sizes >> 2) + 1] = Math.floor(window.innerHeight * ratio);
    HEAP32[(sizes >> 2) + 2] = Math.round(ratio * 1000);
  },

  korvath_canvas_size__deps: ['$KorvathPage'],
  korvath_canvas_size: function (cssWidth, cssHeight) {
    var c = KorvathPage.canvas;
    c.style.width = cssWidth + 'px';
    c.style.height = cssHeight + 'px';
  },

  korvath_canvas_shown__deps: ['$KorvathPage'],
  korvath_canvas_shown: function (sizes) {
    var r = KorvathPage.canvas.getBoundingClientRect();
    HEAPF64[sizes >> 3] = r.width;
    HEAPF64[(sizes >> 3) + 1] = r.height;
  },

  korvath_canvas_blit__deps: ['$KorvathPage'],
  korvath_canvas_blit: function (rgba, width, height, x, y, w, h) {
    var P = KorvathPage;
    if (P.canvas.width !== width || P.canvas.height !== height) {
      P.canvas.width = width;
      P.canvas.height = height;
    }
    var image = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4), width, height);
    P.context.putImageData(image, 0, 0, x, y, w, h);
  },

  korvath_canvas_download__deps: ['$KorvathPage'],
  korvath_canvas_download: function (scale, name) {
    var c = KorvathPage.canvas;
    var big = document.createElement('canvas');
    big.width = c.width * scale;
    big.height = c.height * scale;
    var g = big.getContext('2d');
    g.imageSmoothingEnabled = false;
    g.drawImage(c, 0, 0, big.width, big.height);
    var file = UTF8ToString(name);
    big.toBlob(function (blob) {
      var a = document.createElement('a');
      a.href = URL.createObjectURL(blob);
      a.download = file;
      document.body.appendChild(a);
      a.click();
      a.remove();
      setTimeout(function () { URL.revokeObjectURL(a.href); }, 10000);
    }, 'image/png');
  },

  korvath_fullscreen__deps: ['$KorvathPage'],
  korvath_fullscreen: function (on) {
    var now = !!document.fullscreenElement;
    if (on < 0) on = now ? 0 : 1;
    if (on && !now && document.documentElement.requestFullscreen)
      document.documentElement.requestFullscreen().catch(function () {});
    else if (!on && now)
      document.exitFullscreen().catch(function () {});
  },

  korvath_fullscreen_on: function () { return document.fullscreenElement ? 1 : 0; },

  korvath_say__deps: ['$KorvathPage'],
  korvath_say: function (text) { KorvathPage.say(UTF8ToString(text)); },

  korvath_sound_load__deps: ['$KorvathPage'],
  korvath_sound_load: function (bytes, n, music, name) {
    var P = KorvathPage;
    if (!P.audio) return -1;
    var id = P.sounds.length;
    var entry = {buffer: null, music: music, waiting: [], name: UTF8ToString(name)};
    P.sounds.push(entry);
    var copy = HEAPU8.slice(bytes, bytes + n).buffer;
    P.audio.decodeAudioData(copy, function (b) {
      entry.buffer = b;
      entry.waiting.forEach(function (start) { start(); });
      entry.waiting = [];
    }, function () { console.warn('korvath: a sound could not be decoded'); });
    return id;
  },

  korvath_sound_play__deps: ['$KorvathPage'],
  korvath_sound_play: function (id) {
    var P = KorvathPage;
    var s = P.sounds[id];
    if (s) P.played.push(s.name);
    // Sounds asked for before they are decoded or while silent are dropped, not queued.
    if (!s || !s.buffer || P.audio.state !== 'running') return;
    var src = P.audio.createBufferSource();
    src.buffer = s.buffer;
    src.connect(P.kinds[s.music ? 1 : 0]);
    src.start();
  },

  korvath_sound_loop__deps: ['$KorvathPage'],
  korvath_sound_loop: function (id, volume) {
    var P = KorvathPage;
    var s = P.sounds[id];
    if (!s) return -1;
    P.played.push('loop:' + s.name);
    var handle = P.loops.length;
    var loop = {source: null, gain: P.audio.createGain(), stopped: false};
    loop.gain.gain.value = volume / 100;
    loop.gain.connect(P.kinds[s.music ? 1 : 0]);
    P.loops.push(loop);
    var start = function () {
      if (loop.stopped) return;
      loop.source = P.audio.createBufferSource();
      loop.source.buffer = s.buffer;
      loop.source.loop = true;
      loop.source.connect(loop.gain);
      loop.source.start();
    };
    if (s.buffer) start(); else s.waiting.push(start);
    return handle;
  },

  korvath_sound_loop_volume__deps: ['$KorvathPage'],
  korvath_sound_loop_volume: function (handle, volume) {
    var P = KorvathPage;
    var loop = P.loops[handle];
    if (loop && !loop.stopped) loop.gain.gain.setTargetAtTime(volume / 100, P.audio.currentTime, 0.01);
  },

  korvath_sound_loop_stop__deps: ['$KorvathPage'],
  korvath_sound_loop_stop: function (handle) {
    var P = KorvathPage;
    var loop = P.loops[handle];
    if (!loop || loop.stopped) return;
    loop.stopped = true;
    loop.gain.gain.setTargetAtTime(0, P.audio.currentTime, 0.01);
    if (loop.source) loop.source.stop(P.audio.currentTime + 0.1);
    P.loops[handle] = null;
  },

  korvath_sound_volumes__deps: ['$KorvathPage'],
  korvath_sound_volumes: function (effects, music) {
    var P = KorvathPage;
    if (!P.kinds) return;
    P.kinds[0].gain.value = effects / 100;
    P.kinds[1].gain.value = music / 100;
  },

  // The player's folder: IndexedDB behind it, read once at the start and
  // written back after every change. A browser that refuses it (a private
  // window, no room) leaves a folder in memory and one line on the page.
  korvath_storage_open__deps: ['$KorvathPage', '$FS', '$IDBFS'],
  korvath_storage_open: function (folder) {
    var P = KorvathPage;
    var dir = UTF8ToString(folder);
    try { FS.mkdir(dir); } catch (e) {}
    var refused = function (why) {
      P.storageLine = true;
      P.say('This browser keeps no files for this page (' + why + '): the campaign ends when the page closes.');
    };
    var db = null;
    try { db = window.indexedDB; } catch (e) {}
    try {
      if (!db) throw new Error('no IndexedDB');
      FS.mount(IDBFS, {}, dir);
    } catch (e) {
      refused(e.message);
      P.noStorage = true;
      _korvath_storage_ready(0);
      return;
    }
    FS.syncfs(true, function (err) {
      if (err) refused(err.message || err);
      P.replayJournal(dir);
      _korvath_storage_ready(err ? 0 : 1);
    });
  },

  // A page that goes away gets no time for IndexedDB's slow writes: its small
  // files go at once into localStorage too, a journal that the next start
  // puts back over what IndexedDB kept, then drops once that is stored.
  korvath_storage_journal__deps: ['$KorvathPage', '$FS'],
  korvath_storage_journal: function (folder) {
    var P = KorvathPage;
    var dir = UTF8ToString(folder);
    var files = {};
    try {
      FS.readdir(dir).forEach(function (name) {
        var file = dir + '/' + name;
        var st = FS.stat(file);
        if (FS.isFile(st.mode) && st.size <= P.journalMost) {
          var bytes = FS.readFile(file);
          var text = '';
          for (var i = 0; i < bytes.length; i += 8192)
            text += String.fromCharCode.apply(null, bytes.subarray(i, i + 8192));
          files[name] = btoa(text);
        }
      });
      localStorage.setItem(P.journalKey, JSON.stringify(files));
      P.journal++;
    } catch (e) {
      // No localStorage or no room: IndexedDB's copy is all there is.
    }
  },

  korvath_storage_sync__deps: ['$KorvathPage', '$FS'],
  korvath_storage_sync: function () {
    var P = KorvathPage;
    if (P.noStorage) return;
    if (P.syncing) { P.syncAgain = true; return; }
    P.syncing = true;
    var journal = P.journal;
    FS.syncfs(false, function (err) {
      P.syncing = false;
      if (!err && journal > 0 && journal === P.journal) {
        try { localStorage.removeItem(P.journalKey); } catch (e) {}
      }
      if (err && !P.storageLine) {
        P.storageLine = true;
        P.say('Your progress could not be stored in this browser (' + (err.message || err) + ').');
      }
      if (P.syncAgain) { P.syncAgain = false; _korvath_storage_sync(); }
    });
  },
});

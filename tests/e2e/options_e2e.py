#!/usr/bin/env python3
"""Acceptance cases: options, input names and date forms say what they mean.

    python3 tests/e2e/options_e2e.py --velk build/velk --data tests/data --real ../shared/data/real

An option name is never another option's value; every option a form has no use for is said;
a date template is written as typed or refused; an input name is read as the examiner typed
it when a file of that name exists.
"""

import os

import velk_e2e as e2e

# The real database's Order 1 notification arrived 2020-12-11 19:11:35.902 UTC.
ORDER1_TIME = '19:11:35.902'


def files_in(folder):
    return sorted(os.listdir(folder))


# (arguments after "-db x.db", or whole when the first is an option other than -db; the line
#  standard error begins with)
OPTION_NAME_VALUES = [
    (['-out', '-incl_slack'], 'missing value for -out\n'),
    (['-sqlite', '-quiet'], 'missing value for -sqlite\n'),
    (['-Out', '-CSV'], 'missing value for -out\n'),
    (['-dateformat', '-csvl2t'], 'missing value for -dateformat\n'),
    (['-diags', '-profile'], 'missing value for -diags\n'),
    (['-csvl2t', '-username', '-hostname', 'h'], 'missing value for -username\n'),
    (['-filter', '*.db', '-filter_path', '-v'], 'missing value for -filter_path\n'),
    (['!', '-db', '-carve'], 'missing value for -db\n'),
    (['!', '-enumdir', '-pipe'], 'missing value for -enumdir\n'),
    # A value that merely begins with '-' is a value: a number keeps its own refusal.
    (['!', '-enumdir', '.', '-num_subdirs', '-1'], 'bad value for -num_subdirs: -1\n'),
]


class OptionNamesAreNoValues(e2e.Case):
    def test_an_option_name_after_a_value_option_is_refused(self):
        db = self.real_copy('x.db')
        for args, line in OPTION_NAME_VALUES:
            with self.subTest(args=args):
                before = files_in(self.tmp)
                full = args[1:] if args[0] == '!' else ['-db', db] + args
                result = self.velk(full)
                self.assertEqual(result.status, 255, result.err)
                self.assertTrue(result.err.startswith(line), result.err)
                self.assertEqual(result.report(), [])
                self.assertEqual(files_in(self.tmp), before, 'a file was written')

    def test_a_file_named_with_a_dash_is_still_a_value(self):
        db = self.real_copy('x.db')
        result = self.velk(['-db', db, '-quiet', '-out', '-report.txt', '-incl_slack'])
        self.assertEqual(result.status, 0, result.err)
        with open(self.path('-report.txt'), encoding='utf-8') as f:
            written = e2e.Run(0, f.read(), '')
        self.assert_banner(written, '-out -report.txt -incl_slack')
        self.assertEqual(len(self.data_rows(written, 'sqlite lib')), e2e.REAL_ROWS)


# (form, option, the reason said) on the values fixture, whose values hold '|', ',' and '"'.
MULTILINE = '-multiline writes one value a line'
BODYFILE = '-bodyfile writes fixed fields between bars'
UNUSED_OPTIONS = [
    ('-bodyfile', ['-csv_separator', ';'], BODYFILE),
    ('-bodyfile', ['-no_whitespace'], BODYFILE),
    ('-bodyfile', ['-enable_quoted_csv_fields'], BODYFILE),
    ('-bodyfile', ['-dateformat', 'dd.mm.yyyy'], '-bodyfile writes times as Unix seconds'),
    ('-bodyfile', ['-timeformat', 'hh:mm:ss'], '-bodyfile writes times as Unix seconds'),
    ('-multiline', ['-csv_separator', '|'], MULTILINE),
    ('-multiline', ['-no_whitespace'], MULTILINE),
    ('-multiline', ['-enable_quoted_csv_fields'], MULTILINE),
    ('-csvgen', ['-no_whitespace'], '-csvgen writes no padding'),
    ('-csv', ['-pair_datetime'], 'date and time always share one cell'),
    ('-csvl2t', ['-verbose'], 'progress is shown unless -quiet'),
]


class OptionsAFormDoesNotUse(e2e.Case):
    def test_each_is_said_and_changes_nothing(self):
        db = self.fixture_copy('values/values.db', 'v.db')
        for form, option, reason in UNUSED_OPTIONS:
            with self.subTest(form=form, option=option):
                plain = self.velk(['-db', db, '-quiet', form])
                given = self.velk(['-db', db, '-quiet', form] + option)
                self.assertEqual(given.status, 0, given.err)
                self.assertIn(f'option not used: {" ".join(option)} ({reason})\n', given.err)
                self.assertEqual(given.report(), plain.report())

    def test_options_a_form_uses_are_not_said(self):
        db = self.fixture_copy('values/values.db', 'v.db')
        for form, option in (('-csv', ['-csv_separator', ';', '-no_whitespace']),
                             ('-csvl2t', ['-enable_quoted_csv_fields', '-dateformat', 'dd.mm.yy']),
                             ('-multiline', ['-timeformat', 'hh:mm:ss'])):
            with self.subTest(form=form):
                plain = self.velk(['-db', db, '-quiet', form])
                given = self.velk(['-db', db, '-quiet', form] + option)
                self.assertNotIn('option not used', given.err)
                self.assertNotEqual(given.report(), plain.report())


class DateSeparators(e2e.Case):
    def test_every_printable_separator_is_written_or_refused(self):
        db = self.real_copy()
        for code in range(0x20, 0x7f):
            separator = chr(code)
            template = f'dd{separator}mm{separator}yyyy'
            with self.subTest(separator=separator):
                result = self.velk(['-db', db, '-quiet', '-dateformat', template])
                self.assertEqual(result.status, 0, result.err)
                first = result.report()[1]
                refused = f'bad value for -dateformat: {template}, using default format\n'
                if separator in 'dmyDMY':
                    # A field letter between the fields cannot be told from the fields.
                    self.assertIn(refused, result.err)
                    self.assertIn(f'2020-12-11 {ORDER1_TIME}', first)
                else:
                    self.assertNotIn('bad value', result.err)
                    self.assertIn(f'11{separator}12{separator}2020 {ORDER1_TIME}', first)

    def test_mixed_and_padded_templates_are_refused(self):
        db = self.real_copy()
        for template in ('dd/mm-yyyy', 'mmm dd, yy', 'dd..mm..yy', '/dd/mm/yy/', 'dd\tmm\tyyyy'):
            with self.subTest(template=template):
                result = self.velk(['-db', db, '-quiet', '-dateformat', template])
                self.assertIn(f'bad value for -dateformat: {template}, using', result.err)
                self.assertIn(f'2020-12-11 {ORDER1_TIME}', result.report()[1])


# Names with %VELK_E2E_NAME% in them, the variable set to "expanded". (name, what the folder
# holds, arguments, standard input, status, the DB cell of the rows read and how many there
# are (None: some), or the line standard error holds)
NAME = '%VELK_E2E_NAME%'
REAL, SAMPLE = e2e.REAL_ROWS, e2e.SAMPLE_MAIN_ROWS
INPUT_NAME_CASES = [
    ('typed_name_exists', ['typed', 'expanded'], ['-db', NAME + '.db'], '', 0,
     (NAME + '.db', REAL)),
    ('only_the_expansion_exists', ['expanded'], ['-db', NAME + '.db'], '', 0,
     ('expanded.db', SAMPLE)),
    ('neither_exists', [], ['-db', NAME + '.db'], '', 255,
     f'prob accessing file {NAME}.db (expanded: expanded.db): No such file or directory\n'),
    ('piped_typed_name', ['typed', 'expanded'], ['-pipe'], NAME + '.db\n', 0,
     (NAME + '.db', REAL)),
    ('piped_neither', [], ['-pipe'], NAME + '.db\n', 255,
     f'prob accessing file {NAME}.db (expanded: expanded.db)'),
    ('chunk_typed_name', ['typed_chunk', 'expanded_chunk'], ['-parse_chunk', '-db', NAME + '.bin'],
     '', 0, (NAME + '.bin', None)),
    ('chunk_neither', [], ['-parse_chunk', '-db', NAME + '.bin'], '', 255,
     f'prob accessing file {NAME}.bin (expanded: expanded.bin)'),
    ('walked_folder_typed', ['typed_folder', 'expanded_folder'], ['-enumdir', NAME], '', 0,
     (NAME + '/w.db', REAL)),
    ('walked_folder_expanded', ['expanded_folder'], ['-enumdir', NAME], '', 0,
     ('expanded/w.db', SAMPLE)),
    ('name_of_a_set_variable', ['pwd'], ['-db', '%PWD%'], '', 0, ('%PWD%', REAL)),
]


class InputNamesAsTyped(e2e.Case):
    def make(self, what):
        def real(name):
            return self.real_copy(name)

        def sample(name):
            return self.fixture_copy('sample/wpndatabase.db', name, companions=())

        makers = {
            'typed': lambda: real(NAME + '.db'),
            'expanded': lambda: sample('expanded.db'),
            'typed_chunk': lambda: real(NAME + '.bin'),
            'expanded_chunk': lambda: sample('expanded.bin'),
            'typed_folder': lambda: real(NAME + '/w.db'),
            'expanded_folder': lambda: sample('expanded/w.db'),
            'pwd': lambda: real('%PWD%'),
        }
        makers[what]()

    def test_a_name_that_exists_is_read_as_typed(self):
        os.environ['VELK_E2E_NAME'] = 'expanded'
        self.addCleanup(os.environ.pop, 'VELK_E2E_NAME', None)
        for name, holds, args, stdin, status, shown in INPUT_NAME_CASES:
            with self.subTest(name):
                self.tearDown()
                self.setUp()
                for what in holds:
                    self.make(what)
                result = self.velk(args + ['-csv', '-quiet'], stdin=stdin.encode())
                self.assertEqual(result.status, status, result.err)
                if isinstance(shown, str):
                    self.assertIn(shown, result.err)
                    continue
                cell, count = shown
                rows = self.data_rows(result, f',{cell},')
                self.assertTrue(rows, result.out)
                if count is not None:
                    self.assertEqual(len(rows), count, result.out)

    def test_output_names_keep_their_rule(self):
        # The results file's name is expanded whatever exists; the diagnostics file's never.
        os.environ['VELK_E2E_NAME'] = 'expanded'
        self.addCleanup(os.environ.pop, 'VELK_E2E_NAME', None)
        db = self.real_copy('x.db')
        with open(self.path(NAME + '.txt'), 'w', encoding='utf-8') as f:
            f.write('notes\n')
        result = self.velk(['-db', db, '-quiet', '-out', NAME + '.txt', '-diags', NAME + '.log'])
        self.assertEqual(result.status, 0, result.err)
        self.assertEqual(files_in(self.tmp), [NAME + '.log', NAME + '.txt', 'expanded.txt', 'x.db'])
        with open(self.path(NAME + '.txt'), encoding='utf-8') as f:
            self.assertEqual(f.read(), 'notes\n')


if __name__ == '__main__':
    e2e.run_module_suite()
